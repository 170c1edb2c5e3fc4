#pragma once

class CommandView;

// The command of a double click in the list: copies the selected row's
// number to the clipboard, exactly as stored, and says so. Nothing happens
// when no row is selected.
void CopyNumber(CommandView &view);
