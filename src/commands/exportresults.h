#pragma once

class CommandView;

// The export command: asks for a file in its Save dialog and writes every
// row of the result list to it, found or not, with its serial, number,
// province, city and carrier, as an Excel workbook (.xlsx) or as CSV (.csv).
// The name's extension decides which; a name with neither takes the entry
// chosen in the dialog. The list and tarvio.txt stay as they are.
void ExportResults(CommandView &view);
