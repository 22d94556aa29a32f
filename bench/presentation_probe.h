// Tells the benchmark of the user's waits when the program's pictures reach
// the layered window: after every UpdateLayeredWindow call that succeeded,
// the time, the destination point, the size and the constant alpha. Used by
// the benchmark's build of the product (marrowtune-bubble-probed.exe).
#pragma once

#include <windows.h>

namespace bench {

// The benchmark's window, which receives the reports.
constexpr const char* PRESENTATION_DRIVER_CLASS = "MarrowtunePresentationBenchDriver";
// Posted to that window; wParam holds the packed Presentation, lParam the
// performance counter read when the call had returned.
constexpr UINT WM_PRESENTATION_REPORT = WM_APP + 2;
// The command-line word that asks for the reports.
constexpr const char* REPORT_PRESENTATIONS_ARGUMENT = "--report-presentations";

struct Presentation {
    LONG x = 0;       // the destination point
    LONG y = 0;
    LONG width = 0;   // the size
    LONG height = 0;
    BYTE alpha = 0;   // the constant alpha
};

// A presentation in one WPARAM: x and y as signed 16-bit numbers, width and
// height as 12-bit ones, alpha in the top 8 bits.
WPARAM PackPresentation(const Presentation& presentation);
Presentation UnpackPresentation(WPARAM packed);

// When `commandLine` holds REPORT_PRESENTATIONS_ARGUMENT: points this
// executable's import of GetProcAddress at a stand-in that hands out a
// reporting UpdateLayeredWindow (the program binds that function by name at
// every presentation). False when the import could not be replaced.
bool ReportPresentationsIfAsked(const char* commandLine);

}  // namespace bench
