// The bubble's timers: fade-in after creation, grow after each move, fade-out
// before the end.
#include <windows.h>

#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "bubble/canvas.h"

void OnBubbleTimer(HWND window, WPARAM timerId)
{
    switch (timerId) {
    case TIMER_TRACK:
        TrackIcon(window);
        break;
    case TIMER_FADE_OUT:
        StepFadeOut(window);
        break;
    case TIMER_GROW:
        StepGrow(window);
        break;
    case TIMER_FADE_IN:
        StepFadeIn(window);
        break;
    default:
        break;
    }
}

void StepFadeIn(HWND window)
{
    bubbleState.alpha += FADE_STEP;
    const bool whole = bubbleState.alpha >= ALPHA_OPAQUE;
    if (whole) {
        KillTimer(window, TIMER_FADE_IN);
        bubbleState.alpha = ALPHA_OPAQUE;
    }
    const SIZE size = BubbleSize();
    Present(window, size.cx, size.cy);
    // Screen readers hear the message once it is fully shown; a fade-out
    // that began during the fade-in ends it first.
    if (whole && !bubbleState.dismissing) AnnounceBubble(window);
}

void StepFadeOut(HWND window)
{
    bubbleState.alpha -= FADE_STEP;
    if (bubbleState.alpha > 0) {
        const SIZE size = BubbleSize();
        Present(window, size.cx, size.cy);
        return;
    }
    KillTimer(window, TIMER_FADE_OUT);
    // Runs the WM_DESTROY handling before this returns: GDI+ goes down and the
    // quit message is posted. The window itself stays until the process ends.
    SendMessageA(window, WM_DESTROY, 0, 0);
}

void StepGrow(HWND window)
{
    // The steps are computed on the first grow tick at each scale: 414 / 20
    // and 150 / 20 truncate to 20 and 7 at 96 DPI, scaled at other DPIs, so
    // the eleventh step overshoots and shows the full size.
    if (bubbleState.growStepX == 0 && bubbleState.growStepY == 0) {
        bubbleState.growStepX = Scaled(GROW_DIVIDEND_X / bubbleState.growDivisor, bubbleState.dpi);
        bubbleState.growStepY = Scaled(GROW_DIVIDEND_Y / bubbleState.growDivisor, bubbleState.dpi);
    }
    bubbleState.growWidth += bubbleState.growStepX;
    bubbleState.growHeight += bubbleState.growStepY;
    const SIZE size = BubbleSize();
    if (bubbleState.growWidth >= size.cx || bubbleState.growHeight >= size.cy) {
        KillTimer(window, TIMER_GROW);
        Present(window, size.cx, size.cy);
        bubbleState.growWidth = 0;
        bubbleState.growHeight = 0;
        return;
    }
    Present(window, bubbleState.growWidth, bubbleState.growHeight);
}
