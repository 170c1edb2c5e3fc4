#pragma once

#include "numberlistreader.h"

class CommandView;

// What a number is to an import: a mobile number (IsMobileNumber).
bool IsImportedNumber(QStringView text);

// The end of every import, from a file or the clipboard: the numbers become
// the rows of the (emptied) list, with serials 1, 2, 3 … and no location,
// and the status line of the list counts them and the invalid lines.
void ShowImportedNumbers(CommandView &view, NumberList list);
