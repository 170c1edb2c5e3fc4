#pragma once

#include "resultexport.h"

// The rows wanted on the sheets of one name: the name as wanted (made into
// one that Excel takes, sheetnames.h) and the rows, as indexes into the
// ResultRows, in their order.
struct SheetRows {
    QString name;
    QList<int> indexes;
    // Its name is taken before the others', so that no other sheet takes it
    // (未查到, which no province is to take).
    bool namedFirst = false;
};

// Writes the header and the rows to `path` as an Excel workbook: the serial
// a number cell where it is one, every other cell text, the number above
// all (a number cell would lose a leading blank, a sign or a decimal point,
// and Excel shows eleven digits in its own way). Rows that a sheet cannot
// hold go on in a second sheet, a third …, each with the header, named as
// Excel names a copy ("广东 (2)"); the outcome names every sheet written.
// The rows are read one at a time and written as they come, so that the
// memory taken does not grow with them. The workbook is made in a
// temporary folder (or, where that cannot be done, beside the target) and
// then put in the target's place as a whole, so a failure or a stop leaves
// the target as it was.
ExportOutcome WriteResultsXlsx(const QString &path, const ResultRows &rows,
                               const QList<SheetRows> &sheets, const ShouldStop &shouldStop = {});
// Every row, in order, on sheets named `name`.
ExportOutcome WriteResultsXlsx(const QString &path, const ResultRows &rows, const QString &name,
                               const ShouldStop &shouldStop = {});

// How many rows a sheet holds below its header: Excel's 1,048,575, unless a
// test has set fewer (Reset() in its cleanup()) to see rows go on in the
// next sheet without writing a million.
class SheetRowLimit {
public:
    static constexpr qsizetype kExcel = 1'048'575;
    static qsizetype Rows();
    static void Set(qsizetype rows);
    static void Reset();
};
