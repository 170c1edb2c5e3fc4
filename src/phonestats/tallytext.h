#pragma once

#include "phonetally.h"

#include <QString>

// The words of the statistics. A count has thousands separators and a share
// one decimal, of all the rows of the list: "1,234" and "12.3%".
QString CountText(int count);
QString ShareText(int count, int total);
// What a bar carries beside its name: "1,234 条 (12.3%)".
QString BarFigures(const TallyEntry &entry, int total);
// A bar's whole line, as a screen reader reads it: "广东 1,234 条 (12.3%)".
QString BarLine(const TallyEntry &entry, int total);
// Under the charts: "合计 1,234 条".
QString TotalLine(int total);

// Both tallies as a TAB-separated table for a spreadsheet, a header line
// 类别, 名称, 数量, 占比 and a line per bar, provinces first. The counts are
// plain digits, so that a spreadsheet takes them as numbers.
QString TallyTable(const PhoneTally &tally);
