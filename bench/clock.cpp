// The performance counter, read once for its frequency.
#include "bench/clock.h"

namespace bench {

namespace {

LONGLONG Frequency()
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value{};
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return frequency;
}

}  // namespace

LONGLONG Count()
{
    LARGE_INTEGER value{};
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

double SecondsBetween(LONGLONG fromCount, LONGLONG toCount)
{
    return static_cast<double>(toCount - fromCount) / static_cast<double>(Frequency());
}

void Spin(double seconds)
{
    const LONGLONG start = Count();
    while (SecondsBetween(start, Count()) < seconds) {
    }
}

}  // namespace bench
