// Used only inside bubble/ (and by its tests): the steps behind the window
// messages that bubble.h offers.
#pragma once

#include <windows.h>

// Presents the bubble at (windowX, windowY) with the current alpha, `width`
// x `height` of the canvas showing, and puts it back above the desktop.
void Present(HWND window, int width, int height);

// The dismiss button's rectangle for a side, at `dpi`.
RECT DismissRectFor(bool onRight, UINT dpi);

// Timer ticks.
void StepFadeIn(HWND window);
void StepFadeOut(HWND window);
void StepGrow(HWND window);
void TrackIcon(HWND window);

// Starts the fade-out that ends the process, once: alpha back to opaque,
// tracking stopped, TIMER_FADE_OUT started with `periodMs`. With animations
// off the bubble ends at once instead.
void BeginFadeOut(HWND window, UINT periodMs);

// Tells screen readers that the bubble's message is shown (EVENT_SYSTEM_ALERT
// on the window's client object).
void AnnounceBubble(HWND window);
