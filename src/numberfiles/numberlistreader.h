#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A number-list file: plain text, one candidate number per line.
struct NumberList {
    QStringList kept;     // the lines that were to be kept, in file order, unchanged
    qint64 lineCount = 0; // every line read, kept or not
};

// Reads the file at `path`, keeping the lines for which `keep` says so;
// nullopt when it cannot be opened or read. Only regular files are read: a
// device or a pipe could block or never end.
std::optional<NumberList> ReadNumberList(const QString &path,
                                         const std::function<bool(QStringView)> &keep);
