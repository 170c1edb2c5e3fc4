#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A number list: plain text, one candidate number per line.
struct NumberList {
    QStringList kept;     // the numbers kept, in line order
    qint64 lineCount = 0; // every line read, kept or not, but a table's header
};

// How a line gives its number, once `isNumber` has said what a number is.
enum class NumberLines {
    // The whole line is the number, kept as read, or the line is invalid
    // (a .txt list).
    WholeLine,
    // Every line is cells (numbercells.h; a line without a separator is one
    // cell) and gives its first cell that holds a number: a mobile number as
    // people write one gives its 11 digits (cellnumber.h), any other cell is
    // taken as it stands when `isNumber` takes it. Text from a spreadsheet
    // or a CSV file reads so. Its first line is a table's header, counted
    // neither as a number nor as an invalid line, when a cell of it names a
    // phone column (PhoneHeaderRank) and it gives no number.
    FirstNumberCell,
};

// Reads the file at `path`; nullopt when it cannot be opened or read. Only
// regular files are read: a device or a pipe could block or never end.
std::optional<NumberList> ReadNumberList(const QString &path, NumberLines rule,
                                         const std::function<bool(QStringView)> &isNumber);

// Reads text that is already text (the clipboard's) by the same line rules
// as a file's.
NumberList ReadNumberListText(QStringView text, NumberLines rule,
                              const std::function<bool(QStringView)> &isNumber);
