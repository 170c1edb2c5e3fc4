#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The cells of one line of text copied from a spreadsheet or written as CSV.
// A line with a TAB is split at its TABs, as a spreadsheet puts a row on the
// clipboard; commas in it stay inside their cells (an address often has
// one). A line without a TAB but with a comma is split at its commas. Any
// other line has no cells: an empty list.
//
// A cell that begins with a double quote is quoted, as a spreadsheet and a
// CSV writer quote a cell that holds a separator or a quote: it runs to the
// next lone quote, separators included, and "" inside it stands for one
// quote. What follows the closing quote up to the next separator is kept
// as it is. A quote that is never closed runs to the end of the line: a
// line is read on its own, so a quoted cell never reaches into the next one.
// A quote inside an unquoted cell is an ordinary character.
QStringList SplitCells(QStringView line);
