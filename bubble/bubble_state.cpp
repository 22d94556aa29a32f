// The one bubble state record and the two ways creation ends.
#include <windows.h>

#include "app/presentation.h"
#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"

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
    Present(window, BUBBLE_WIDTH, BUBBLE_HEIGHT);
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
    SetTimer(window, TIMER_FADE_OUT, periodMs, nullptr);
}
