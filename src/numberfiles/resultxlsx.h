#pragma once

#include "resultexport.h"

// Writes the header and the rows to `path` as an Excel workbook of one
// sheet: the serial a number cell where it is one, every other cell text,
// the number above all (a number cell would lose a leading blank, a sign
// or a decimal point, and Excel shows eleven digits in its own way). The
// workbook is made in a temporary folder and then put in the target's place
// as a whole, so a failure leaves the target as it was.
ExportError WriteResultsXlsx(const QString &path, const QList<ResultRecord> &rows);
