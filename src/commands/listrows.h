#pragma once

#include "resultexport.h"

class ResultListModel;

// The rows of the result list as an export reads them, one at a time and
// only when it writes them: serial and number as the list shows them, and
// the province, city and carrier of the answer each row keeps. The export
// reads them on a thread of its own while the command runs, when nothing
// changes the list; the window may paint it meanwhile, which only reads.
ResultRows RowsOfList(const ResultListModel &lv);
