#pragma once

#include "numberlistreader.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

// One cell of a sheet, as much of it as the choice of the number column
// needs. A workbook's shared string is evaluated so once, for every cell
// that shows it.
struct SheetCell {
    // Nothing in it, or blanks only: the cell is no candidate at all.
    bool empty = true;
    // How surely its text names the phone column (PhoneHeaderRank); only
    // asked of the cells of the header row, 0 for a number.
    int headerRank = 0;
    // The number the cell gives (NumberOfCell), else a null view; it views
    // text that its maker keeps.
    QStringView number;
};

// A cell of text as a sheet holds it; the number it gives goes to `number`,
// which the result views. The rank is worked out only when `header` says
// the cell is in the header row, and only for a text that could name a
// phone at all (it is the slow part).
SheetCell EvaluateCellText(QStringView text, bool header,
                           const std::function<bool(QStringView)> &isNumber, QString &number);

// A number cell's value as the text a person reads in it, whatever the
// cell's display format: 13800138000 for 1.38E+10, integral values without
// a decimal point, others in as few digits as give the same value back.
QString NumberCellText(double value);

// The cells of one sheet, fed row by row, left to right, and the column the
// numbers are taken from:
//  - the header row is the first row with any cell in it;
//  - among the columns whose header names a phone, the one that names it
//    most surely (ties: the one with more numbers, then the leftmost);
//  - if no header names one, the column with the most numbers (then the
//    leftmost).
// Every cell of that column that is not empty is a candidate, valid or
// not as NumberOfCell says; the header's own cell is not counted when it
// names a phone and gives no number.
//
// Only the numbers of the columns that can still be chosen are kept, each in
// eleven characters of one text per column, so a sheet of a million rows
// keeps a few tens of megabytes.
class SheetColumns {
public:
    // The most cells a sheet may have in a row (XFD) and rows (Excel's limits).
    static constexpr int kMaxColumns = 16'384;
    static constexpr qint64 kMaxRows = 1'048'576;

    explicit SheetColumns(std::function<bool(QStringView)> isNumber);
    // What tells a cell's text as a number, for readers that evaluate cells
    // on threads of their own before they are added here.
    const std::function<bool(QStringView)> &IsNumber() const { return m_isNumber; }

    // Whether a cell in this row is in the header row: no row before it
    // held anything.
    bool IsHeaderRow(qint64 row) const { return m_headerRow < 0 || m_headerRow == row; }
    // A cell of text, at a row (counted from 0, never going back) and a
    // column (0 to kMaxColumns - 1).
    bool AddText(qint64 row, int column, QStringView text);
    // A cell already evaluated (a shared string's).
    bool AddCell(qint64 row, int column, const SheetCell &cell);

    // False once more numbers came than can be kept (a sheet far beyond what
    // Excel writes): the sheet is then refused as too large.
    bool WithinLimits() const { return m_withinLimits; }
    // Whether any cell of the sheet gave a number.
    bool HoldsNumbers() const;
    // The candidates of the chosen column.
    NumberList ChosenColumn() const;

    // How many numbers may be kept in all, over the columns that can be
    // chosen: four columns of a full sheet.
    static constexpr qint64 kMaxKeptNumbers = 4 * kMaxRows;

private:
    struct Column {
        qint64 candidates = 0;
        qint64 numbers = 0;
        int headerRank = 0;
        bool headerIsCandidate = false;
        bool headerGivesNumber = false;
        bool keeps = true;
        QString kept;
    };
    void CloseHeaderRow();
    int Chosen() const;

    std::function<bool(QStringView)> m_isNumber;
    QString m_number;
    QList<Column> m_columns;
    qint64 m_headerRow = -1;
    bool m_headerClosed = false;
    qint64 m_keptNumbers = 0;
    bool m_withinLimits = true;
};
