#pragma once

#include "resultexport.h"

// What the user is told when an export has ended: how many rows went into
// which file, and on which sheets where there are several; or what kept the
// file from being written, in the words of its real cause, and where.
// `done` opens the message of success ("已导出", "已分类导出"); `sheets`,
// with %1 for their number, goes before the names of a workbook's sheets
// when there is more than one.
QString ExportMessage(const QString &path, qsizetype rows, const ExportOutcome &outcome,
                      const QString &done, const QString &sheets);
