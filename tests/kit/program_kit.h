// What the kit sees of the program linked into a test executable: every
// SetTimer and KillTimer it makes, and every walk of the desktop it starts,
// recorded through the executable's import table (program_kit.cpp). After
// every case the kit also puts the program back as a fresh process finds it,
// so one process runs a whole test program, in any order.
#pragma once

#include <windows.h>

#include <ostream>
#include <vector>

struct TimerCall {
    bool set;        // SetTimer; false for KillTimer
    UINT_PTR id;
    UINT periodMs;   // SetTimer's period; 0 for KillTimer
};
inline bool operator==(const TimerCall& a, const TimerCall& b)
{
    return a.set == b.set && a.id == b.id && a.periodMs == b.periodMs;
}
inline void PrintTo(const TimerCall& call, std::ostream* out)
{
    if (call.set) {
        *out << "SetTimer(" << call.id << ", " << call.periodMs << " ms)";
    } else {
        *out << "KillTimer(" << call.id << ")";
    }
}
using TimerCalls = std::vector<TimerCall>;
inline TimerCall Armed(UINT_PTR id, UINT periodMs) { return {true, id, periodMs}; }
inline TimerCall Killed(UINT_PTR id) { return {false, id, 0}; }

// The SetTimer and KillTimer calls made on `window` since the case began or
// since the last call of this function, in order; they are forgotten here.
TimerCalls TakeTimerCalls(HWND window);
// The period timer `id` of `window` runs with now, by the calls of this case;
// 0 when it does not run.
UINT RunningPeriod(HWND window, UINT_PTR id);
// The flags and blend of the program's latest UpdateLayeredWindow call (the
// program binds it by name at run time; the kit hands it a recording one).
struct LayeredWindowCall {
    DWORD flags = 0;
    BLENDFUNCTION blend = {};
};
LayeredWindowCall LastLayeredWindowCall();
// How many walks of the desktop's items began (the list asked for its first
// item) in this case; any thread may ask.
int DesktopWalks();

// The display the program sees in this case instead of the real one: these
// monitors, each with its rectangle, work area and effective DPI (what
// MonitorFromRect, GetMonitorInfoA and GetDpiForMonitor answer). A monitor
// may be changed between ticks (the user changing its scale). Empty: the
// real display.
struct SimulatedMonitor { RECT bounds; RECT workArea; UINT dpi; };
void SimulateMonitors(const std::vector<SimulatedMonitor>& monitors);

// What SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION) answers the program
// in this case (the real setting until this is called).
void SetAnimationsOn(bool on);
