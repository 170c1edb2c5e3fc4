#pragma once

#include <QStringList>

class ResultListModel;

// The "筛选" command: keeps each location (compared with its surrounding
// blanks removed) only in the last row that carries it, emptying it in the
// earlier rows, and returns the distinct locations, trimmed, in the order of
// those last rows.
QStringList KeepLastOfEachLocation(ResultListModel &list);
