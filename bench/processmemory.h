#pragma once

// The resident memory of this process, for the benchmarks' memory figures:
// from /proc/self/status on Linux and from the process's memory counters
// (its working set) on Windows. Each returns -1 where it cannot tell.
long CurrentResidentKb();
long PeakResidentKb();

// Starts the peak afresh from the current size, after handing freed memory
// back to the system. Windows keeps the peak for
// the life of the process, so there it returns false and a benchmark measures
// from the peak at its start instead.
bool ResetPeakResident();
