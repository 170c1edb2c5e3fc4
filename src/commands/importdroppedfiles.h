#pragma once

#include <QStringList>

class CommandView;

// Files dropped on the main window. One .txt, .csv, .xlsx or .xls file is
// imported as one chosen in the Open dialog (ImportNumberFile). Anything else (a file of
// another type or a folder, or several files at once, since an import
// replaces the list with one file's numbers) is refused with a message, and
// nothing changes.
void ImportDroppedFiles(CommandView &view, const QStringList &paths);
