// The performance counter as the benchmarks read it, in their own processes
// and in the programs they start.
#pragma once

#include <windows.h>

namespace bench {

// Seconds on the performance counter, comparable between processes.
double SecondsBetween(LONGLONG fromCount, LONGLONG toCount);
LONGLONG Count();

// Busy-waits `seconds`; the planted slow-down.
void Spin(double seconds);

}  // namespace bench
