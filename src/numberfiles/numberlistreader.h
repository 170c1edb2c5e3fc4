#pragma once

#include "resultrow.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A number-list file: plain text, one candidate number per line.
struct NumberList {
    QList<ResultRow> rows; // the valid lines, serials 1, 2, 3 …, locations empty
    qint64 lineCount = 0;  // every line read, valid or not
};

// Turns the bytes of a number-list file into text. A byte-order mark at the
// very start (UTF-8, UTF-16 LE or BE) chooses the encoding and is dropped;
// without one the bytes are in the system's encoding. Bytes that are not
// valid in the encoding become replacement characters.
QString DecodeNumberListText(const QByteArray &bytes);

// Splits decoded text into its numbers: CR LF, CR and LF each end a line,
// and a line end at the very end starts no further line. A valid line is
// exactly eleven characters that read as a number; it is kept unchanged.
NumberList ParseNumberList(const QString &text);

// Reads the file at `path`; nullopt when it cannot be opened or read.
// Only regular files are read: a device or a pipe could block or never end.
std::optional<NumberList> ReadNumberList(const QString &path);
