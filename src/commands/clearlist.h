#pragma once

class CommandView;

// The command of 清空内容: empties the status line of the list, then the list;
// its columns stay.
void ClearList(CommandView &view);
