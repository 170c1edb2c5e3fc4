#pragma once

#include "phonetally.h"

#include <QStringList>
#include <QWidget>

// One tally of the list drawn as bars, one row each: the name, the bar, and
// after the bar its count and share ("广东 ███ 1,234 条 (12.3%)"), in the
// colours of the skin in force (its text colour and its selection colour).
// The longest bar fills the width; the chart is as tall as its bars and
// sits in a scroll area when they do not all fit.
//
// What it shows is the tally as it is when it paints or is read, so a screen
// reader always reads the counts of the list; it repaints when told to
// (Refresh), at the pace of its window. Each bar is a child of the chart for
// a screen reader (barchartaccessible.h). The arrow keys move from bar to
// bar, so that the keyboard reaches each line.
class BarChart : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Provinces, Carriers };

    BarChart(const PhoneTally &tally, Kind kind, QWidget *parent = nullptr);

    QList<TallyEntry> Entries() const;
    int BarCount() const { return static_cast<int>(Entries().size()); }
    // Each bar's words, as drawn and as read.
    QStringList Lines() const;
    // Where bar's row lies in the chart, and the height of so many rows.
    QRect BarRow(int bar) const;
    // Where each piece of a bar's row is drawn: its name, the bar, and its
    // count and share after the bar.
    struct BarPlaces {
        QRect name, bar, figures;
    };
    BarPlaces PlacesOf(int bar) const;
    int HeightFor(int rows) const { return 2 * Margin() + rows * RowHeight(); }
    // The bar the keyboard is on.
    int CurrentBar() const { return m_current; }
    void SetCurrentBar(int bar);

    // Shows the tally as it is now: repaints, takes the height its bars
    // need, and tells a screen reader which lines changed.
    void Refresh();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Columns {
        int nameWidth = 0;
        int figuresWidth = 0;
    };
    int RowHeight() const;
    int Margin() const;
    Columns ColumnsFor(const QList<TallyEntry> &entries) const;
    BarPlaces PlacesOf(const QList<TallyEntry> &entries, const Columns &columns, int bar) const;
    int WidthFor(int barWidth) const;
    void TellCurrentBar();

    const PhoneTally &m_tally;
    const Kind m_kind;
    int m_current = 0;
    int m_rowsShown = 0;
};
