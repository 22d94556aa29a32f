// Used only inside bubble/ (and by its tests): the steps behind the window
// messages that bubble.h offers.
#pragma once

#include <windows.h>

// Presents the bubble at (windowX, windowY) with the current alpha, `width`
// x `height` of the canvas showing, and puts it back above the desktop.
void Present(HWND window, int width, int height);

// The dismiss button's rectangle for a side.
RECT DismissRectFor(bool onRight);

// Timer ticks.
void StepFadeIn(HWND window);
void StepFadeOut(HWND window);
void StepGrow(HWND window);
void TrackIcon(HWND window);

// Starts the fade-out that ends the process, once: alpha back to opaque,
// tracking stopped, TIMER_FADE_OUT started with `periodMs`.
void BeginFadeOut(HWND window, UINT periodMs);
