#pragma once

#include "sheetcolumns.h"
#include "workbookreader.h"

#include <QList>
#include <QString>

#include <functional>

class XlsxPackage;

// The shared strings of a workbook, each kept only as what a cell showing it
// gives (sheetcolumns.h): whether it is empty, how surely it names a phone,
// and its number, in eleven characters of one text. Four bytes a string
// and the numbers' digits, however long the texts are.
class SharedStrings {
public:
    // The most strings kept: a few times what a full sheet of distinct texts
    // holds.
    static constexpr qsizetype kMaxStrings = qsizetype(1) << 24;

    // False past the limits.
    bool Add(const SheetCell &cell);
    qsizetype Size() const { return m_entries.size(); }
    SheetCell At(qsizetype index) const;
    void Clear();

private:
    QList<quint32> m_entries;
    QString m_numbers;
};

// Reads the shared strings part, as a stream.
WorkbookFault ReadSharedStrings(XlsxPackage &zip, const QString &part,
                                const std::function<bool(QStringView)> &isNumber,
                                const std::function<bool()> &stopAsked, SharedStrings &strings);

// Reads one worksheet part, as a stream, into `columns`: every cell with a
// value, a number cell as its digits (NumberCellText), a formula cell as the
// value it had when it was last calculated. The cells are those of the rows
// of the sheet's <sheetData>: a row elsewhere, a cell outside a row or a
// second <sheetData> makes the sheet Damaged, as no program writes one so.
WorkbookFault ReadSheet(XlsxPackage &zip, const QString &part, const SharedStrings &strings,
                        const std::function<bool()> &stopAsked, SheetColumns &columns);
