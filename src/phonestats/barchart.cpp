#include "barchart.h"

#include "barchartaccessible.h"
#include "tallytext.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollArea>
#include <QStyleOption>

#include <algorithm>

namespace {
// The widest figures of a usual list, so that the bars stand
// still while a batch of up to 100,000 rows fills them.
const QString &WidestFigures() {
    static const QString text = BarFigures({QString(), 100'000}, 100'000);
    return text;
}
// How many rows Page Up and Page Down move.
constexpr int kPageRows = 10;
} // namespace

BarChart::BarChart(const PhoneTally &tally, Kind kind, QWidget *parent)
    : QWidget(parent)
    , m_tally(tally)
    , m_kind(kind)
    , m_rowsShown(BarCount()) {
    InstallBarChartAccessible();
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QList<TallyEntry> BarChart::Entries() const {
    return m_kind == Kind::Provinces ? m_tally.Provinces() : m_tally.Carriers();
}

QStringList BarChart::Lines() const {
    QStringList lines;
    for (const TallyEntry &entry : Entries())
        lines.append(BarLine(entry, m_tally.Rows()));
    return lines;
}

int BarChart::RowHeight() const {
    const int text = fontMetrics().height();
    return text + text / 2;
}

int BarChart::Margin() const {
    return fontMetrics().height() / 3;
}

QRect BarChart::BarRow(int bar) const {
    return QRect(0, Margin() + bar * RowHeight(), width(), RowHeight());
}

BarChart::Columns BarChart::ColumnsFor(const QList<TallyEntry> &entries) const {
    const QFontMetrics metrics = fontMetrics();
    Columns columns{metrics.horizontalAdvance(QString::fromUtf16(kNotFoundName)),
                    metrics.horizontalAdvance(WidestFigures())};
    for (const TallyEntry &entry : entries) {
        columns.nameWidth = std::max(columns.nameWidth, metrics.horizontalAdvance(entry.name));
        columns.figuresWidth = std::max(
            columns.figuresWidth, metrics.horizontalAdvance(BarFigures(entry, m_tally.Rows())));
    }
    return columns;
}

// Margin, name, gap, bar, gap, figures, margin.
int BarChart::WidthFor(int barWidth) const {
    const Columns columns = ColumnsFor(Entries());
    const int gap = fontMetrics().height() / 2;
    return 2 * Margin() + columns.nameWidth + 2 * gap + barWidth + columns.figuresWidth;
}

QSize BarChart::sizeHint() const {
    return QSize(WidthFor(12 * fontMetrics().height()), minimumSizeHint().height());
}

QSize BarChart::minimumSizeHint() const {
    return QSize(WidthFor(3 * fontMetrics().height()), HeightFor(std::max(1, m_rowsShown)));
}

BarChart::BarPlaces BarChart::PlacesOf(int bar) const {
    const QList<TallyEntry> entries = Entries();
    if (bar < 0 || bar >= entries.size())
        return {};
    return PlacesOf(entries, ColumnsFor(entries), bar);
}

// The longest bar takes the room the names and the figures leave; every
// counted row shows, the smallest keeping a sliver.
BarChart::BarPlaces BarChart::PlacesOf(const QList<TallyEntry> &entries, const Columns &columns,
                                       int bar) const {
    const int text = fontMetrics().height();
    const int gap = text / 2;
    const QRect row = BarRow(bar);
    const int barLeft = Margin() + columns.nameWidth + gap;
    const int barRoom = std::max(text, width() - barLeft - gap - columns.figuresWidth - Margin());
    int largest = 1;
    for (const TallyEntry &entry : entries)
        largest = std::max(largest, entry.count);
    const int length =
        std::max(2, static_cast<int>(static_cast<qint64>(barRoom) * entries[bar].count / largest));
    const int thickness = text * 3 / 4;
    const int figuresLeft = barLeft + length + gap;
    const int figuresWidth =
        fontMetrics().horizontalAdvance(BarFigures(entries[bar], m_tally.Rows()));
    return {QRect(Margin(), row.top(), columns.nameWidth, row.height()),
            QRect(barLeft, row.top() + (row.height() - thickness) / 2, length, thickness),
            QRect(figuresLeft, row.top(), figuresWidth, row.height())};
}

void BarChart::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    const QList<TallyEntry> entries = Entries();
    if (entries.isEmpty())
        return;
    const Columns columns = ColumnsFor(entries);
    const QPalette &colours = palette();
    painter.setPen(colours.color(QPalette::WindowText));
    for (int bar = 0; bar < entries.size(); ++bar) {
        const BarPlaces places = PlacesOf(entries, columns, bar);
        painter.drawText(places.name, Qt::AlignLeft | Qt::AlignVCenter, entries[bar].name);
        painter.fillRect(places.bar, colours.brush(QPalette::Highlight));
        painter.drawText(places.figures, Qt::AlignLeft | Qt::AlignVCenter,
                         BarFigures(entries[bar], m_tally.Rows()));
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect =
            BarRow(std::min(m_current, static_cast<int>(entries.size()) - 1)).adjusted(1, 0, -1, 0);
        focus.backgroundColor = colours.color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void BarChart::SetCurrentBar(int bar) {
    bar = std::clamp(bar, 0, std::max(0, BarCount() - 1));
    if (bar == m_current)
        return;
    m_current = bar;
    update();
    for (QWidget *up = parentWidget(); up; up = up->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(up)) {
            const QRect row = BarRow(bar);
            area->ensureVisible(0, row.center().y(), 0, row.height());
            break;
        }
    }
    TellCurrentBar();
}

void BarChart::keyPressEvent(QKeyEvent *event) {
    int bar = m_current;
    switch (event->key()) {
    case Qt::Key_Up:
        --bar;
        break;
    case Qt::Key_Down:
        ++bar;
        break;
    case Qt::Key_PageUp:
        bar -= kPageRows;
        break;
    case Qt::Key_PageDown:
        bar += kPageRows;
        break;
    case Qt::Key_Home:
        bar = 0;
        break;
    case Qt::Key_End:
        bar = BarCount() - 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    SetCurrentBar(bar);
}

void BarChart::mousePressEvent(QMouseEvent *event) {
    const int bar = (event->position().toPoint().y() - Margin()) / RowHeight();
    if (bar >= 0 && bar < BarCount())
        SetCurrentBar(bar);
    QWidget::mousePressEvent(event);
}

// The widget has the focus before a screen reader is told which of its
// bars has it, so the bar is told once the focus has settled.
void BarChart::focusInEvent(QFocusEvent *event) {
    QWidget::focusInEvent(event);
    update();
    QMetaObject::invokeMethod(this, &BarChart::TellCurrentBar, Qt::QueuedConnection);
}

void BarChart::focusOutEvent(QFocusEvent *event) {
    QWidget::focusOutEvent(event);
    update();
}

void BarChart::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

void BarChart::TellCurrentBar() {
    if (!hasFocus() || BarCount() == 0)
        return;
    if (QAccessibleInterface *chart = QAccessible::queryAccessibleInterface(this)) {
        if (QAccessibleInterface *bar = chart->child(m_current)) {
            QAccessibleEvent focus(bar, QAccessible::Focus);
            QAccessible::updateAccessibility(&focus);
        }
    }
}

void BarChart::Refresh() {
    const int bars = BarCount();
    if (bars != m_rowsShown) {
        m_rowsShown = bars;
        updateGeometry();
    }
    m_current = std::clamp(m_current, 0, std::max(0, bars - 1));
    update();
    // Not only while a screen reader is known to listen: this runs at a
    // human pace, and one that starts listening later knows the lines.
    TellBarChartChanges(this);
}
