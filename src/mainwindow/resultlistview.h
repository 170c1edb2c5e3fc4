#pragma once

#include <QTimer>
#include <QTreeView>

// The result list in report view: one line per row, a header above, no tree
// decoration, never sorted. Two list-view habits are kept: hot tracking (the
// row under the pointer is highlighted) and hover selection (a pointer that
// rests on a row selects it). A double click anywhere in the list is
// reported, on a row or not, since the copy command works on the selected
// row rather than on the row clicked.
class ResultListView : public QTreeView {
    Q_OBJECT
public:
    // Windows' default mouse-hover time; Qt offers no such platform setting.
    static constexpr int kHoverDelayMs = 400;

    explicit ResultListView(QWidget *parent = nullptr);

    void SetReportView();
    void SetHotTracking(bool on);
    void SetHoverSelection(bool on);

    int HotRow() const { return m_hotRow; }
    // The selected row (0-based), or -1.
    int SelectedRow() const;

Q_SIGNALS:
    void DblClick();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;

private:
    void SetHotRow(int row);
    void SelectRestingRow();

    bool m_hotTracking = false;
    bool m_hoverSelection = false;
    int m_hotRow = -1;
    QPoint m_restingPos;
    QTimer m_hoverTimer;
};
