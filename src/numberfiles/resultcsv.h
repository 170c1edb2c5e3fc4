#pragma once

#include "resultexport.h"

// Writes the header and the rows to `path` as CSV: UTF-8 with a byte-order
// mark, so that Excel opens it as Chinese whatever the system's code page;
// CR LF line ends; a cell quoted as RFC 4180 says where it needs it. The rows
// are read and written a piece at a time, into a file beside the target
// under another name that replaces it only once it is whole, so a failure or
// a stop leaves the target as it was.
ExportOutcome WriteResultsCsv(const QString &path, const ResultRows &rows,
                              const ShouldStop &shouldStop = {});

// The bytes of that file, for rows at hand.
QByteArray ResultsCsvBytes(const QList<ResultRecord> &rows);
