#pragma once

class CommandView;

// The paste command: the clipboard's text is imported as a number-list file
// is, each line read by its cells (numbercells.h), so that a column or rows
// copied from a spreadsheet give their numbers. The list is replaced and the
// status line of the list counts the numbers and the invalid lines; a
// clipboard without text (an image, nothing) is an import of no line.
void PasteNumberList(CommandView &view);
