#pragma once

class CommandView;

// The import command: asks for a number-list file and replaces the result
// list with one row per valid line, then reports the counts in the status
// line of the list.
void ImportNumberList(CommandView &view);
