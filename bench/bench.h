// The benchmark executable's shared parts: the clock, product and baseline
// timed in turn, the rows the driver judges (scripts/driver bench), the
// benchmarks' desktops and the one reference walk every baseline makes.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>

#include "locator/locator.h"

namespace standin {
class Desktop;
}

namespace bench {

constexpr const char* ICON_NAME = "marrowtune";
constexpr double MICROSECONDS = 1e6;
constexpr double MILLISECONDS = 1e3;
// A planted slow-down is this many times its target's margin (the driver
// sizes the planted walk cost of the instrumented build the same way).
constexpr double PLANT_MARGINS = 1.5;

// The performance counter: one clock for every process (under Wine the
// host's CLOCK_MONOTONIC_RAW in units of 100 ns, which the driver reads too).
LONGLONG Count();
double Seconds(LONGLONG fromCount, LONGLONG toCount);
// Busy-waits `seconds`; returns the seconds it took.
double Spin(double seconds);

// "--smoke": one small round of everything, no verdict (the ctest tests);
// "--plant-slowdown": the planted slow-down of each comparison.
struct Options {
    bool smoke = false;
    bool plant = false;
};
extern Options options;
int RunSize(int full, int smoke = 1);

// Times `product` and `baseline` one call each in turn (which goes first
// changes from call to call), `callsPerRound` calls a round, `rounds` rounds
// after one that warms up, and prints the row
//   ROW benchmark|figure|target|product us per call, each round|baseline ...|ratio of each round
// that the driver judges (target 0: none). Planted, every pair adds to the
// product's time a busy wait of PLANT_MARGINS times the target's margin of
// the baseline call beside it.
void Compare(const std::string& benchmark, const std::string& figure, double target,
             const std::function<void()>& product, const std::function<void()>& baseline, int callsPerRound,
             int rounds);
// Fails the benchmark run: prints `what` and ends the process with 1.
[[noreturn]] void Fail(const std::string& what);

// Icons on a grid, `items` of them, the icon last.
RECT IconPlace(int items);
void FillDesktop(standin::Desktop& desktop, int items);

// The reference walk: the platform calls of LocateDesktopIcon written bare,
// in their documented form, with the same name conversion. `held` is the
// list view's object, obtained when null and left to the caller, as the
// bubble keeps its own; ForgetList releases it.
bool ReferenceWalk(IAccessible*& held, IconRect& icon);
void ForgetList(IAccessible*& held);

// "STARTUP <count at entry> <count now>" to stdout, then the process ends
// with 0: the start-up report of the baseline and the instrumented build.
[[noreturn]] void ReportStartup(LONGLONG enteredAt);

// The subcommands (bench.exe NAME).
int RunLocator();
int RunTick();
int RunSteadyState();
int RunBare(bool reportStartup, bool track);

}  // namespace bench
