// Tells the start-up benchmark when this process has finished creating its
// first window: the end of WM_CREATE, after which the bubble has been
// presented once. Used by the benchmark's builds of the product and of the
// bare baseline alike, so both are timed the same way.
#pragma once

#include <windows.h>

namespace bench {

// The benchmark's window, which receives the report.
constexpr const char* STARTUP_DRIVER_CLASS = "MarrowtuneStartupBenchDriver";
// Posted to that window; wParam holds the performance counter read when
// ReportStartupIfAsked was called (at the entry of WinMain), lParam the one
// read when the first WM_CREATE returned: the difference is what the
// program's own code adds to Wine's start of a process.
constexpr UINT WM_STARTUP_REPORT = WM_APP + 1;
// The command-line word that asks for the report.
constexpr const char* REPORT_STARTUP_ARGUMENT = "--report-startup";
// "--plant-delay-ms=N": a slow-down planted in the benchmark's build only,
// N ms slept as WM_CREATE of the watched class begins. The program never
// has it; the benchmark uses it to show that its verdict can fail.
constexpr const char* PLANT_DELAY_ARGUMENT = "--plant-delay-ms=";

// When `commandLine` holds REPORT_STARTUP_ARGUMENT: watches this thread's
// window procedures, and once WM_CREATE has returned for the first window of
// `className`, reports the time and ends the process with 0. (Other windows
// are created on the way: the button host's child, COM's apartment window.)
void ReportStartupIfAsked(const char* commandLine, const char* className);

}  // namespace bench
