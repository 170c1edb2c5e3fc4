#pragma once

#include "resultrow.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

// The result list: the working data of the program. Rows are addressed by
// position, 1 for the top row, as the commands count them; the cells are
// stored exactly as written (nothing is trimmed or checked). The list is
// never sorted.
//
// A list may hold a million rows, so a row is small: its number, packed
// into an integer when it is eleven ASCII digits (nearly always) and kept as
// text otherwise; a reference to its location and answer, each distinct
// one held once however many rows share it (a batch gives thousands of rows
// the same province, city and carrier); and what the batch did with it. The
// serial is the row's position on every path the program has (import,
// paste, single query, KeepRows), so only a serial that differs from its
// position is held apart.
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
    // Appends many rows in one insertion.
    void AppendRows(QList<ResultRow> rows);
    // Appends a row for each number, in order, in one insertion: its
    // position as serial, no location (the import uses this).
    void AppendNumbers(const QStringList &numbers);

    QString Text(int position) const;
    QString Number(int position) const { return NumberText(RowAt(position).number); }
    QString Location(int position) const { return AnswerOf(position).location; }
    // Stays valid until the list is cleared.
    const RowAnswer &Answer(int position) const { return AnswerOf(position).answer; }
    void SetNumber(int position, const QString &number);
    // The location cell, and the answer it was made from; a location set
    // without one (or emptied) keeps no answer.
    void SetLocation(int position, const QString &location, RowAnswer answer = {});
    // The location cells of the rows from firstPosition on, one for each
    // entry, in one change of the list (a batch hands its answers over in runs).
    void SetLocations(int firstPosition, const QList<RowLocation> &locations);

    // What the batch has done with a row (nothing is shown of it).
    RowQuery Query(int position) const { return RowAt(position).query; }
    void SetQuery(int position, RowQuery query) { RowAt(position).query = query; }
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
    // A location cell and the answer it was made from, held once for every
    // row that has them.
    struct Located {
        QString location;
        RowAnswer answer;
        friend bool operator==(const Located &, const Located &) = default;
        friend size_t qHash(const Located &located, size_t seed) {
            return qHashMulti(seed, located.location, located.answer.province, located.answer.city,
                              located.answer.carrier);
        }
    };

    struct Row {
        quint64 number;  // the digits' value, or a text (kNumberIsText)
        quint32 located; // in m_located; 0: no location and no answer
        RowQuery query;
    };
    static constexpr quint64 kNumberIsText = quint64(1) << 63;
    static constexpr quint64 kNoNumber = ~quint64(0);

    Row &RowAt(int position) {
        Q_ASSERT(position >= 1 && position <= Count());
        return m_rows[static_cast<size_t>(position - 1)];
    }
    const Row &RowAt(int position) const {
        Q_ASSERT(position >= 1 && position <= Count());
        return m_rows[static_cast<size_t>(position - 1)];
    }
    // The number as stored, and back; where in m_numberTexts a code's text is.
    quint64 NumberCode(const QString &number);
    QString NumberText(quint64 code) const;
    static std::optional<qsizetype> TextSlot(quint64 code);
    quint32 LocatedIndex(const QString &location, const RowAnswer &answer);
    const Located &AnswerOf(int position) const { return m_located[RowAt(position).located]; }
    void NoteSerial(int position, const QString &serial);
    void EmitCellChanged(int position, int column);

    QStringList m_columns;
    std::vector<Row> m_rows;
    // Numbers that are not eleven ASCII digits, as written.
    QStringList m_numberTexts;
    // Serials that are not their row's position, by position.
    QHash<int, QString> m_serials;
    // A deque, so that Answer()'s references outlive the answers added after.
    std::deque<Located> m_located;
    QHash<Located, quint32> m_locatedIndex;
    bool m_batchStopped = false;
};
