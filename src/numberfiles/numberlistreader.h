#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A number list: plain text, one candidate number per line.
struct NumberList {
    QStringList kept;     // the numbers kept, in line order, each exactly as read
    qint64 lineCount = 0; // every line read, kept or not
};

// How a line gives its number, once `isNumber` has said what a number is.
enum class NumberLines {
    // The whole line is the number, or the line is invalid (a .txt list).
    WholeLine,
    // A line with cells (numbercells.h) gives its first cell that is a
    // number, as it stands in the cell; a line without cells is taken
    // whole. Text from a spreadsheet or a CSV file reads so.
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
