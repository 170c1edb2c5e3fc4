#pragma once

#include "workbookreader.h"

// An Excel 97-2003 workbook (.xls), or any other OLE file handed over as a
// workbook (an .xlsx locked with a password is one, its package encrypted
// inside; so is a Word 97 document). freexl reads it in xls-reader, a
// process of its own beside the program (tools/xls-reader), whose cells
// come back through a pipe: a file that makes freexl crash or loop ends
// that process, and is reported as damaged.
WorkbookNumbers ReadXlsWorkbook(const QString &path,
                                const std::function<bool(QStringView)> &isNumber,
                                const std::function<bool()> &stopAsked);
