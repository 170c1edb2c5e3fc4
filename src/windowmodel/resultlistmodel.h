#pragma once

#include "resultrow.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The result list: the working data of the program. Rows are addressed by
// position, 1 for the top row, as the commands count them; the cells are
// stored exactly as written (nothing is trimmed or checked). The list is
// never sorted.
class ResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultListModel(QObject *parent = nullptr);

    // Columns are added once by the main window while it loads.
    void AddColumn(const QString &title);
    QStringList ColumnTitles() const { return m_columns; }

    int Count() const { return static_cast<int>(m_rows.size()); }
    void Clear();

    // Appends a row with the given first cell and empty number and location
    // cells; returns its position.
    int Add(const QString &serial);
    // Appends many rows in one insertion (the import uses this).
    void AppendRows(QList<ResultRow> rows);

    QString Text(int position) const { return m_rows.at(position - 1).serial; }
    QString Number(int position) const { return m_rows.at(position - 1).number; }
    QString Location(int position) const { return m_rows.at(position - 1).location; }
    const RowAnswer &Answer(int position) const { return m_rows.at(position - 1).answer; }
    void SetNumber(int position, const QString &number);
    // The location cell, and the answer it was made from; a location set
    // without one (or emptied) keeps no answer.
    void SetLocation(int position, const QString &location, RowAnswer answer = {});
    // The location cells of the rows from firstPosition on, one for each
    // entry, in one change of the list (a batch hands its answers over in runs).
    void SetLocations(int firstPosition, const QList<RowLocation> &locations);

    // What the batch has done with a row (nothing is shown of it).
    RowQuery Query(int position) const { return m_rows.at(position - 1).query; }
    void SetQuery(int position, RowQuery query) { m_rows[position - 1].query = query; }
    // Whether the last batch on this list was stopped before its end; a list
    // filled anew has had none.
    bool BatchStopped() const { return m_batchStopped; }
    void SetBatchStopped(bool stopped) { m_batchStopped = stopped; }

    // Keeps the rows at these positions (ascending), in their order, and
    // removes every other; the serials become 1, 2, 3 … Each row keeps its
    // number, location, answer and what the batch did with it.
    void KeepRows(const QList<int> &positions);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void EmitCellChanged(int position, int column);

    QStringList m_columns;
    QList<ResultRow> m_rows;
    bool m_batchStopped = false;
};
