#pragma once

// The CPU time this process has used so far, all its threads, user and
// system, in milliseconds: getrusage on Linux, GetProcessTimes on Windows;
// -1 where it cannot tell. On a busy machine the CPU a piece of work took
// moves less than the time it took.
double ProcessCpuMs();
