#include "paragraphlabel.h"

#include "twips.h"

#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {
// The distance between the tops of two lines: the natural spacing if
// lineCount lines fit into available height that way, else as much as fits,
// but not less than three quarters of the natural spacing.
qreal ParagraphLinePitch(qreal natural, qreal available, int lineCount) {
    if (lineCount <= 0 || natural <= 0)
        return natural;
    const qreal fitting = available / lineCount;
    return std::clamp(fitting, natural * 0.75, natural);
}
} // namespace

ParagraphLabel::ParagraphLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    // A QLabel centres its text vertically by default; paragraphs hang from
    // the top of their rectangles.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void ParagraphLabel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect();
    if (area.isEmpty())
        return;

    QTextLayout layout(text(), font());
    QTextOption option(alignment());
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal natural = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        natural = std::max(natural, line.height());
    }
    layout.endLayout();

    const qreal pitch = ParagraphLinePitch(natural, area.height(), layout.lineCount());
    for (int i = 0; i < layout.lineCount(); ++i)
        layout.lineAt(i).setPosition(QPointF(0, i * pitch));

    painter.setClipRect(area);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    layout.draw(&painter, area.topLeft());
}

ParagraphLabel *AddParagraph(QWidget *container, const QString &name, int left, int top, int width,
                             int height, const QString &text) {
    auto *label = new ParagraphLabel(text, container);
    label->setObjectName(name);
    label->setGeometry(TwipsRect(left, top, width, height));
    return label;
}
