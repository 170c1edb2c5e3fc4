#pragma once

#include <cstddef>

// How many files (sockets among them) the process may have open: the soft
// limit, raised first to the hard one, which any process may do. 0 where
// the system sets no such limit (Windows).
size_t RaiseOpenFileLimit();
size_t OpenFileLimit();
