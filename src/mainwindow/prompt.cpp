#include "prompt.h"

#include <QMessageBox>

namespace {
struct Answering {
    bool unseen = false;
    QStringList texts;
};

Answering &State() {
    static Answering state;
    return state;
}
} // namespace

void MessageBox::AnswerOkUnseen() {
    State().unseen = true;
}

QStringList MessageBox::Texts() {
    return State().texts;
}

void MessageBox::Reset() {
    State() = Answering();
}

void ShowPrompt(QWidget *parent, const QString &text) {
    if (State().unseen) {
        State().texts.append(text);
        return;
    }
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), shown, QMessageBox::Ok,
                    parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
