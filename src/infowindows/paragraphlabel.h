#pragma once

#include <QLabel>
#include <QString>

// A label that shows one paragraph, wrapped within its designed rectangle and
// read from the top down.
//
// The rectangles were drawn for a bitmap font whose lines are 12 pixels apart.
// The default fonts here space their lines wider, so a paragraph that needs
// every line of its label would lose its last one; such a paragraph has its
// lines drawn closer together instead, never closer than three quarters of
// their natural spacing.
class ParagraphLabel : public QLabel {
    Q_OBJECT

public:
    ParagraphLabel(const QString &text, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Adds a paragraph label at its design rectangle (in twips, relative to its
// container).
ParagraphLabel *AddParagraph(QWidget *container, const QString &name, int left, int top, int width,
                             int height, const QString &text);
