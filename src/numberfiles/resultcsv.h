#pragma once

#include "resultexport.h"

// Writes the header and the rows to `path` as CSV: UTF-8 with a byte-order
// mark, so that Excel opens it as Chinese whatever the system's code page;
// CR LF line ends; a cell quoted as RFC 4180 says where it needs it. The
// file is written beside the target under another name and replaces it only
// once it is whole, so a failure leaves the target as it was.
ExportError WriteResultsCsv(const QString &path, const QList<ResultRecord> &rows);

// The bytes of that file.
QByteArray ResultsCsvBytes(const QList<ResultRecord> &rows);
