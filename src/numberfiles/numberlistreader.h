#pragma once

#include "resultrow.h"

#include <QList>
#include <QString>

#include <optional>

// A number-list file: plain text, one candidate number per line.
struct NumberList {
    QList<ResultRow> rows; // the valid lines, serials 1, 2, 3 …, locations empty
    qint64 lineCount = 0;  // every line read, valid or not
};

// Reads the file at `path`; nullopt when it cannot be opened or read.
// Only regular files are read: a device or a pipe could block or never end.
std::optional<NumberList> ReadNumberList(const QString &path);
