#pragma once

#include "workbookreader.h"

// An Office Open XML workbook (.xlsx): its zip through minizip
// (xlsxpackage.h), its parts through QXmlStreamReader, each sheet as a
// stream of pieces as they are inflated, never whole in memory.
WorkbookNumbers ReadXlsxWorkbook(const QString &path,
                                 const std::function<bool(QStringView)> &isNumber,
                                 const std::function<bool()> &stopAsked);
