// Every tracking tick: follow the icon, switch sides when there is no room on
// the right, or fade out when the icon has gone.
#include <windows.h>

#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "bubble/canvas.h"

namespace {

// The picture of the new side goes onto a fresh canvas and the button moves
// to its place on that picture.
void SwitchSide(HWND window)
{
    bubbleState.dismissButton->rect = DismissRectFor(bubbleState.bubbleOnRight != 0, bubbleState.dpi);

    ReleaseCanvas();
    BuildCanvas(window);
    DrawBubblePicture();
    // Nothing draws through these today, but none may name a deleted DC.
    bubbleState.buttonHost->targetDC = bubbleState.canvasDC;
    bubbleState.dismissButton->targetDC = bubbleState.canvasDC;
}

void TrackOnce(HWND window)
{
    IconRect icon = {};
    const bool found = LocateDesktopIcon(TARGET_ICON_NAME, icon, bubbleState.desktopList);
    if (found) bubbleState.desktopWindow = GetAncestor(bubbleState.desktopList.window, GA_ROOT);

    // Runs whether or not the icon was found: with the all-zero rectangle of
    // a failed search the side becomes the right one.
    const IconDisplay display = DisplayOfIcon(icon);
    const BubblePlacement placement = PlaceBubble(icon, display.workArea, display.dpi);
    const bool flipped = placement.onRight != (bubbleState.bubbleOnRight != 0);
    bubbleState.bubbleOnRight = placement.onRight ? 1 : 0;

    if (!found) {
        BeginFadeOut(window, FADE_OUT_VANISH_PERIOD_MS);
        return;
    }
    // The icon went to a monitor of another scale, or the user changed the
    // scale: the bubble is made again at the new size (on the new side too).
    const bool rescaled = display.dpi != bubbleState.dpi;
    if (rescaled) {
        ChangeScale(window, display.dpi);
    } else if (flipped) {
        SwitchSide(window);
    }

    if (!rescaled && placement.x == bubbleState.lastPlacedX && placement.y == bubbleState.lastPlacedY) {
        return;  // not moved; a new canvas waits for the next presentation
    }

    bubbleState.windowX = placement.x;
    bubbleState.windowY = placement.y;
    // Shown at the new place with nothing visible yet, and the grow reveals
    // it; without animations it shows there whole at once.
    const bool animate = AnimationsOn();
    const SIZE size = BubbleSize();
    Present(window, animate ? 0 : size.cx, animate ? 0 : size.cy);
    bubbleState.lastPlacedX = bubbleState.windowX;
    bubbleState.lastPlacedY = bubbleState.windowY;
    if (animate) SetTimer(window, TIMER_GROW, GROW_PERIOD_MS, nullptr);
}

}  // namespace

void TrackIcon(HWND window)
{
    if (bubbleState.trackingTick) return;  // a tick dispatched inside a tick
    bubbleState.trackingTick = 1;
    try {
        TrackOnce(window);
    } catch (...) {
        // The tick ends; the next one tries again.
    }
    bubbleState.trackingTick = 0;
}
