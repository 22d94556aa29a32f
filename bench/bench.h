// The benchmark executable's shared parts: the clock, product and baseline
// timed in turn into the rows the driver judges (scripts/driver bench), the
// in-process desktops, and the one reference walk every baseline makes.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>

#include "locator/locator.h"

namespace standin { class Desktop; }

namespace bench {

constexpr const char* ICON_NAME = "marrowtune";
constexpr double MICROSECONDS = 1e6;
constexpr double PLANT_MARGINS = 1.5;   // a planted slow-down: its target's margin, and half as much again

// The performance counter, one clock for every process (under Wine the
// host's CLOCK_MONOTONIC_RAW in units of 100 ns, which the driver reads too).
LONGLONG Count();
double Seconds(LONGLONG fromCount, LONGLONG toCount);
double Spin(double seconds);   // busy-waits; returns the seconds it took

// --smoke: one small round of everything (ctest's smoke runs); --plant-slowdown.
extern struct Options { bool smoke = false, plant = false; } options;
inline int RunSize(int full, int smoke = 1) { return options.smoke ? smoke : full; }

// Times `product` and `baseline` one call each in turn (which goes first changes from call to call),
// `callsPerRound` calls a round, `rounds` rounds after one that warms up, and prints for the driver (target 0: none)
//   ROW benchmark|figure|target|product us a call, each round|baseline ...|ratio of each round
// Planted, each pair adds a busy wait of PLANT_MARGINS times the target's margin of its baseline call.
void Compare(const std::string& benchmark, const std::string& figure, double target,
             const std::function<void()>& product, const std::function<void()>& baseline, int callsPerRound,
             int rounds);
[[noreturn]] void Fail(const std::string& what);   // prints `what`; the process ends with 1

// `items` icons on a grid in the desktop, the icon last.
void FillDesktop(standin::Desktop& desktop, int items);

// The reference walk: LocateDesktopIcon's platform calls written bare, in their documented form, names
// converted as the locator's. `held`, the list view's object, is obtained when null and kept for the
// caller, as the bubble keeps its own; ForgetList releases it.
bool ReferenceWalk(IAccessible*& held, IconRect& icon);
void ForgetList(IAccessible*& held);
// The reads a tracking tick makes of the icon's monitor, bare: its handle,
// its work area and its effective DPI, which is returned (96 when unknown).
UINT ReadIconMonitor(const IconRect& icon);

// "STARTUP <count at entry> <count now>" to stdout, and the process ends
// with 0: the start-up report of the baseline and the instrumented build.
[[noreturn]] void ReportStartup(LONGLONG enteredAt);
// "HOLDINGS <label> name=value ..." (kit/holdings.h) to stdout at once.
void ReportHoldings(const std::string& label);

// The subcommands (bench.exe NAME).
int RunLocator();
int RunTick(int servedItems);
int RunSteadyState();
int RunBare(bool reportStartup, bool track);

}  // namespace bench
