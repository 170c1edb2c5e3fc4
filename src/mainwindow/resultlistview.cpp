#include "resultlistview.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

ResultListView::ResultListView(QWidget *parent)
    : QTreeView(parent) {
    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(kHoverDelayMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, &ResultListView::SelectRestingRow);
}

void ResultListView::SetReportView() {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setSortIndicatorShown(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void ResultListView::SetHotTracking(bool on) {
    m_hotTracking = on;
    setMouseTracking(m_hotTracking || m_hoverSelection);
    viewport()->setAttribute(Qt::WA_Hover, on);
    if (!on)
        SetHotRow(-1);
}

void ResultListView::SetHoverSelection(bool on) {
    m_hoverSelection = on;
    setMouseTracking(m_hotTracking || m_hoverSelection);
    if (!on)
        m_hoverTimer.stop();
}

int ResultListView::SelectedRow() const {
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ResultListView::mouseMoveEvent(QMouseEvent *event) {
    QTreeView::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    if (m_hotTracking)
        SetHotRow(indexAt(pos).isValid() ? indexAt(pos).row() : -1);
    if (m_hoverSelection && event->buttons() == Qt::NoButton) {
        m_restingPos = pos;
        m_hoverTimer.start();
    }
}

void ResultListView::mouseDoubleClickEvent(QMouseEvent *event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT DblClick();
}

void ResultListView::leaveEvent(QEvent *event) {
    QTreeView::leaveEvent(event);
    m_hoverTimer.stop();
    SetHotRow(-1);
}

void ResultListView::SetHotRow(int row) {
    if (row == m_hotRow)
        return;
    m_hotRow = row;
    viewport()->update();
}

void ResultListView::SelectRestingRow() {
    const QModelIndex index = indexAt(m_restingPos);
    if (index.isValid() && index.row() != SelectedRow())
        setCurrentIndex(index);
}

void ResultListView::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const {
    QTreeView::drawRow(painter, option, index);
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    if (m_hotTracking && index.row() == m_hotRow && !selected) {
        // A light wash of the selection colour, so every skin's palette
        // gives a hot row that reads as "about to be selected".
        QColor wash = palette().color(QPalette::Highlight);
        wash.setAlpha(48);
        painter->fillRect(option.rect, wash);
    }
}
