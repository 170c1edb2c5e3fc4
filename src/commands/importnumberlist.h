#pragma once

#include <QString>

class CommandView;

// The import command: asks for a number-list file and replaces the result
// list with one row per valid line, then reports the counts in the status
// line of the list. A .csv file is read by its cells (numbercells.h), an
// .xlsx or .xls workbook by the cells of its number column (workbookreader.h),
// any other file line by line. The file is read off the window's thread;
// Esc or the close box stop a long read. A file that cannot be read gets a
// message naming it and what is wrong.
void ImportNumberList(CommandView &view);

// The same import of a file already chosen (one dropped on the window): the
// list is emptied, FileName takes the path, and the file is read as above.
void ImportNumberFile(CommandView &view, const QString &path);
