#include "resultlistmodel.h"

ResultListModel::ResultListModel(QObject *parent)
    : QAbstractTableModel(parent) {}

void ResultListModel::AddColumn(const QString &title) {
    const int column = static_cast<int>(m_columns.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_columns.append(title);
    endInsertColumns();
}

void ResultListModel::Clear() {
    m_batchStopped = false;
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.squeeze();
    endResetModel();
}

int ResultListModel::Add(const QString &serial) {
    const int row = Count();
    beginInsertRows(QModelIndex(), row, row);
    m_rows.append(ResultRow{serial, QString(), QString(), {}});
    endInsertRows();
    return row + 1;
}

void ResultListModel::AppendRows(QList<ResultRow> rows) {
    if (rows.isEmpty())
        return;
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    if (m_rows.isEmpty())
        m_rows = std::move(rows);
    else
        m_rows.append(std::move(rows));
    endInsertRows();
}

void ResultListModel::SetNumber(int position, const QString &number) {
    m_rows[position - 1].number = number;
    EmitCellChanged(position, 1);
}

void ResultListModel::SetLocation(int position, const QString &location, RowAnswer answer) {
    ResultRow &row = m_rows[position - 1];
    row.location = location;
    row.answer = std::move(answer);
    EmitCellChanged(position, 2);
}

void ResultListModel::SetLocations(int firstPosition, const QList<RowLocation> &locations) {
    if (locations.isEmpty())
        return;
    for (qsizetype i = 0; i < locations.size(); ++i) {
        ResultRow &row = m_rows[firstPosition - 1 + i];
        row.location = locations[i].location;
        row.answer = locations[i].answer;
    }
    const int last = firstPosition - 1 + static_cast<int>(locations.size()) - 1;
    Q_EMIT dataChanged(index(firstPosition - 1, 2), index(last, 2), {Qt::DisplayRole});
}

void ResultListModel::KeepRows(const QList<int> &positions) {
    beginResetModel();
    QList<ResultRow> kept;
    kept.reserve(positions.size());
    for (const int position : positions) {
        kept.append(std::move(m_rows[position - 1]));
        kept.last().serial = QString::number(kept.size());
    }
    m_rows = std::move(kept);
    endResetModel();
}

void ResultListModel::EmitCellChanged(int position, int column) {
    const QModelIndex cell = index(position - 1, column);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

int ResultListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : Count();
}

int ResultListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ResultListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const ResultRow &row = m_rows.at(index.row());
    switch (index.column()) {
    case 0:
        return row.serial;
    case 1:
        return row.number;
    case 2:
        return row.location;
    default:
        return {};
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns.at(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}
