// The one bubble state record and the two ways creation ends.
#include <windows.h>

#include "app/presentation.h"
#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "bubble/canvas.h"

BubbleState bubbleState;
int gdiplusShutdowns = 0;

bool BubbleBuilt()
{
    // The canvas is not required: without one (its device context could not
    // be made) the bubble shows nothing, but it must still track, fade out
    // and end, or the hidden process would hold the single-instance mutex
    // for good.
    return bubbleState.buttonHost != nullptr && bubbleState.dismissButton != nullptr;
}

void EndBubbleQuietly()
{
    // RunBubble uninitialises COM after the loop: the shell's object goes first.
    ReleaseDesktopListObject(bubbleState.desktopList);
    Gdiplus::GdiplusShutdown(bubbleState.gdiplusToken);
    ++gdiplusShutdowns;
    PostQuitMessage(0);
}

void Present(HWND window, int width, int height)
{
    const CanvasView view{bubbleState.canvasDC, {bubbleState.windowX, bubbleState.windowY}, {width, height},
                          bubbleState.alpha};
    PresentBubble(window, *bubbleState.buttonHost, view, bubbleState.desktopWindow);
}

void RepaintBubble(HWND window)
{
    const SIZE size = BubbleSize();
    Present(window, size.cx, size.cy);
}

void KeepBubbleAboveDesktop(HWND window)
{
    PlaceAboveDesktop(window, bubbleState.desktopWindow);
}

void BeginFadeOut(HWND window, UINT periodMs)
{
    if (bubbleState.dismissing) return;  // the fade-out starts at most once
    bubbleState.dismissing = 1;
    bubbleState.alpha = ALPHA_OPAQUE;
    KillTimer(window, TIMER_TRACK);
    if (AnimationsOn()) {
        SetTimer(window, TIMER_FADE_OUT, periodMs, nullptr);
        return;
    }
    // Without animations the bubble ends at once, as the fade-out's last tick
    // ends it: WM_DESTROY runs before this returns.
    SendMessageA(window, WM_DESTROY, 0, 0);
}

void AnnounceBubble(HWND window)
{
    NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, CHILDID_SELF);
}
