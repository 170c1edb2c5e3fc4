#pragma once

#include <QStringList>

class CommandView;
class ResultListModel;

// The "筛选" command: keeps each location (compared with its surrounding
// blanks removed) only in the last row that carries it, emptying it in the
// earlier rows, and returns the distinct locations, trimmed, in the order of
// those last rows.
QStringList KeepLastOfEachLocation(ResultListModel &list);

// The command of the button Command1 ("筛选"): the above on the result list,
// and the distinct locations shown in a list of their own.
void FilterResult(CommandView &view);
