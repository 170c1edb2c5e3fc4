#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message the program gives the user goes through here: a modal box
// titled "提示" with the information icon and a single OK button. A carriage
// return inside the text is shown as a line break.
void ShowPrompt(QWidget *parent, const QString &text);

// Lets a test answer the boxes in the user's place, so that no test blocks on
// a modal window: once AnswerOkUnseen() is called, every box is answered OK
// without being shown and its text is kept, in order, for Texts(). Reset()
// brings the real box back and forgets the texts; tests call it in cleanup(),
// so that a failed check leaves nothing behind for the next test.
class MessageBox {
public:
    static void AnswerOkUnseen();
    static QStringList Texts();
    static void Reset();
};
