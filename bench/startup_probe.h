// Tells the start-up benchmark when this process has finished creating its
// first window: the end of WM_CREATE, after which the bubble has been
// presented once. Used by the benchmark's builds of the product and of the
// bare baseline alike, so both are timed the same way.
#pragma once

#include <windows.h>

namespace bench {

// The benchmark's window, which receives the report.
constexpr const char* STARTUP_DRIVER_CLASS = "MarrowtuneStartupBenchDriver";
// Posted to that window; lParam holds the performance counter read when the
// first WM_CREATE returned.
constexpr UINT WM_STARTUP_REPORT = WM_APP + 1;
// The command-line word that asks for the report.
constexpr const char* REPORT_STARTUP_ARGUMENT = "--report-startup";

// When `commandLine` holds REPORT_STARTUP_ARGUMENT: watches this thread's
// window procedures, and once WM_CREATE has returned for the first window of
// `className`, reports the time and ends the process with 0. (Other windows
// are created on the way: the button host's child, COM's apartment window.)
void ReportStartupIfAsked(const char* commandLine, const char* className);

}  // namespace bench
