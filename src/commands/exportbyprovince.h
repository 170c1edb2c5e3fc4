#pragma once

#include "resultxlsx.h"

class CommandView;
class ResultListModel;

// 分类导出: asks for a workbook in its Save dialog ("分类导出") and writes
// every row of the result list to it, a sheet per province, in the columns
// of 导出结果. The sheets are named by the province and stand largest first
// (equal counts in the order of their names), with "未查到" last for the
// rows without a location; a row with a location whose answer names no
// province stands under "未知", as 号码统计 counts it. Each row stands once,
// in list order within its sheet. A province with more rows than a sheet
// holds goes on in "广东 (2)" and so on. The workbook is written as 导出结果
// writes one, off the window's thread. An empty list gets
// "你还没有导入号码呢！", and a list no lookup has been made for
// "你还没有查询呢！", as 保存结果 says.
void ExportByProvince(CommandView &view);

// The sheets of that workbook: each province's rows (as indexes, 0 for the
// top row) in list order, largest first, equal counts by name, 未查到 last.
QList<SheetRows> ProvinceSheets(const ResultListModel &lv);
