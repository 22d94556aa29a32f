// Layered presentation: the one road from a composed canvas to the screen.
// Everything a presentation shows comes in as arguments; nothing here reads
// the bubble's state.
#pragma once

#include <windows.h>

#include "widgets/widgets.h"

// What one presentation shows: the canvas from its top-left corner, `size`
// of it, with the window's top-left corner at `at` and the constant alpha in
// the low 8 bits of `alpha`.
struct CanvasView {
    HDC canvas = nullptr;
    POINT at = {0, 0};
    SIZE size = {0, 0};
    int alpha = 0;
};

// Paints the buttons onto the canvas, shows `view` in the layered window,
// then puts the window directly above `desktop` (see PlaceAboveDesktop).
void PresentBubble(HWND window, ButtonHost& buttons, const CanvasView& view, HWND desktop);

// Hands `view` to the layered window; no buttons painted, no z-order change.
void PushCanvas(HWND window, const CanvasView& view);

// Puts the window directly above `desktop`, the top-level window that holds
// the desktop's icons, without moving, resizing or activating it: over the
// icons and whatever lies beneath them (the wallpaper), under every
// application window. Without a desktop window it goes to the bottom.
void PlaceAboveDesktop(HWND window, HWND desktop);

// UpdateLayeredWindow, bound by name at run time; FALSE when unavailable.
// The last error is the call's own.
BOOL CallUpdateLayeredWindow(HWND window, HDC destinationDC, POINT* destinationPoint, SIZE* size,
                             HDC sourceDC, POINT* sourcePoint, COLORREF colourKey,
                             BLENDFUNCTION* blend, DWORD flags);

// What the presentations did, kept for diagnostics and tests.
struct ShellCounters {
    int presentations = 0;     // canvases handed to the window
    SIZE lastSize = {0, 0};    // the size of the latest presentation
    int lastAlpha = -1;        // its constant alpha
    POINT lastPoint = {0, 0};  // its destination point
    POINT lastSource = {-1, -1};  // the canvas point it showed from
    BOOL lastResult = FALSE;   // what UpdateLayeredWindow answered for it
    DWORD lastError = ERROR_SUCCESS;  // the last error after a refusal, else ERROR_SUCCESS
    int failedPresentations = 0;      // presentations UpdateLayeredWindow refused
};
extern ShellCounters shellCounters;
