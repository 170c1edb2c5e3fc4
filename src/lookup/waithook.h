#pragma once

#include <functional>

// What a lookup calls, now and then, while it waits for the network: the
// caller keeps its windows painting there and hears the user ask to stop.
// Returns false when the waiting work is to stop at once.
using WaitHook = std::function<bool()>;
