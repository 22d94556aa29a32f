// The bubble's timers: fade-in after creation, grow after each move, fade-out
// before the end.
#include <windows.h>

#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"

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
    if (bubbleState.alpha >= ALPHA_OPAQUE) {
        KillTimer(window, TIMER_FADE_IN);
        bubbleState.alpha = ALPHA_OPAQUE;
    }
    Present(window, BUBBLE_WIDTH, BUBBLE_HEIGHT);
}

void StepFadeOut(HWND window)
{
    bubbleState.alpha -= FADE_STEP;
    if (bubbleState.alpha > 0) {
        Present(window, BUBBLE_WIDTH, BUBBLE_HEIGHT);
        return;
    }
    KillTimer(window, TIMER_FADE_OUT);
    // Runs the WM_DESTROY handling before this returns: GDI+ goes down and the
    // quit message is posted. The window itself stays until the process ends.
    SendMessageA(window, WM_DESTROY, 0, 0);
}

void StepGrow(HWND window)
{
    // The steps are computed once per process: 414 / 20 and 150 / 20 truncate
    // to 20 and 7, so the last step overshoots and shows the full size.
    if (bubbleState.growStepX == 0 && bubbleState.growStepY == 0) {
        bubbleState.growStepX = GROW_DIVIDEND_X / bubbleState.growDivisor;
        bubbleState.growStepY = GROW_DIVIDEND_Y / bubbleState.growDivisor;
    }
    bubbleState.growWidth += bubbleState.growStepX;
    bubbleState.growHeight += bubbleState.growStepY;
    if (bubbleState.growWidth >= BUBBLE_WIDTH || bubbleState.growHeight >= BUBBLE_HEIGHT) {
        KillTimer(window, TIMER_GROW);
        Present(window, BUBBLE_WIDTH, BUBBLE_HEIGHT);
        bubbleState.growWidth = 0;
        bubbleState.growHeight = 0;
        return;
    }
    Present(window, bubbleState.growWidth, bubbleState.growHeight);
}
