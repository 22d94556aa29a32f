// Mouse input on the bubble: the dismiss button's look and cursor come from
// the button host; the bubble itself decides when a click is complete.
#include <windows.h>

#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "gfx/geometry.h"

namespace {

void ForwardToHost(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG record = {};
    record.hwnd = window;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    // Runs the host's child procedure synchronously, and through it any
    // WM_COMMAND the host sends back to this window.
    bubbleState.buttonHost->ForwardMouse(record);
}

bool InsideDismissArea(LPARAM lParam)
{
    return PtInRect(&bubbleState.dismissButton->rect, ClientPointOf(lParam)) != FALSE;
}

}  // namespace

void OnBubbleSetCursor(HWND window, WPARAM wParam, LPARAM lParam)
{
    ForwardToHost(window, WM_SETCURSOR, wParam, lParam);
}

void OnBubbleMouseMove(HWND window, WPARAM wParam, LPARAM lParam)
{
    ForwardToHost(window, WM_MOUSEMOVE, wParam, lParam);
}

void OnBubbleLButtonDown(HWND window, WPARAM wParam, LPARAM lParam)
{
    // Only a press that begins on the button concerns the host; presses
    // elsewhere on the bubble are not forwarded.
    if (!InsideDismissArea(lParam)) return;
    ForwardToHost(window, WM_LBUTTONDOWN, wParam, lParam);
    bubbleState.pressStarted = 1;
}

void OnBubbleLButtonUp(HWND window, WPARAM wParam, LPARAM lParam)
{
    ForwardToHost(window, WM_LBUTTONUP, wParam, lParam);
    // The host's WM_COMMAND is not what dismisses: the bubble's own test is.
    if (bubbleState.pressStarted && InsideDismissArea(lParam)) {
        BeginFadeOut(window, FADE_OUT_CLICK_PERIOD_MS);
    }
}
