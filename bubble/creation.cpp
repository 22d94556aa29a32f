// WM_CREATE and WM_MOVE of the bubble window: placement beside the icon, the
// canvas, the pictures, the dismiss button and its host, the first
// presentation and the timers.
#include <windows.h>

#include "app/presentation.h"
#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "bubble/canvas.h"
#include "gfx/geometry.h"

namespace {

// Layered for per-pixel alpha; never activated, so a click on the bubble does
// not take the focus from the user's application or raise the bubble above it.
constexpr LONG BUBBLE_EX_STYLE_BITS = WS_EX_LAYERED | WS_EX_NOACTIVATE;

}  // namespace

bool CreateBubble(HWND window)
{
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    if ((exStyle & BUBBLE_EX_STYLE_BITS) != BUBBLE_EX_STYLE_BITS) {
        SetWindowLongA(window, GWL_EXSTYLE, exStyle | BUBBLE_EX_STYLE_BITS);
    }

    IconRect icon = {};
    if (!LocateDesktopIcon(TARGET_ICON_NAME, icon, bubbleState.desktopList)) {
        EndBubbleQuietly();
        return false;
    }

    bubbleState.desktopWindow = GetAncestor(bubbleState.desktopList.window, GA_ROOT);
    const IconDisplay display = DisplayOfIcon(icon);
    bubbleState.dpi = display.dpi;
    const BubblePlacement placement = PlaceBubble(icon, display.workArea, display.dpi);
    if (!placement.onRight) bubbleState.bubbleOnRight = 0;
    bubbleState.windowX = bubbleState.lastPlacedX = placement.x;
    bubbleState.windowY = bubbleState.lastPlacedY = placement.y;

    // Shown without activation; sends WM_MOVE back before it returns. Then
    // directly above the desktop's icons and beneath every application window.
    const SIZE size = BubbleSize();
    SetWindowPos(window, nullptr, placement.x, placement.y, size.cx, size.cy,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
    PlaceAboveDesktop(window, bubbleState.desktopWindow);

    BuildCanvas(window);
    LoadPictures();
    DrawBubblePicture();

    ImageButton* const button =
        new ImageButton(DismissRectFor(bubbleState.bubbleOnRight != 0, bubbleState.dpi), ID_DISMISS_BUTTON);
    bubbleState.dismissButton = button;
    button->SetImage(Normal, bubbleState.buttonImageNormal);
    button->SetImage(Hover, bubbleState.buttonImageHover);
    button->SetImage(Pressed, bubbleState.buttonImagePressed);
    button->badgeOrigin = DISMISS_BADGE_ORIGIN;

    ButtonHost* const host = new ButtonHost();
    bubbleState.buttonHost = host;
    host->Attach(window);
    host->targetDC = bubbleState.canvasDC;
    host->AddButton(0, button);

    // The first presentation, fully transparent, and the fade-in makes it
    // visible; with animations off it is opaque at once. The window already
    // stands above the desktop.
    const bool animate = AnimationsOn();
    bubbleState.alpha = animate ? 0 : ALPHA_OPAQUE;
    host->PaintButtons(bubbleState.canvasDC);
    PushCanvas(window, {bubbleState.canvasDC, {bubbleState.windowX, bubbleState.windowY}, size, bubbleState.alpha});

    SetTimer(window, TIMER_TRACK, TRACK_PERIOD_MS, nullptr);
    if (animate) {
        SetTimer(window, TIMER_FADE_IN, FADE_IN_PERIOD_MS, nullptr);
    } else {
        AnnounceBubble(window);
    }
    return true;
}

bool RecordBubbleMove(HWND /*window*/, LPARAM lParam)
{
    if (lParam == 0) return false;
    const POINT position = ScreenPointOf(lParam);
    bubbleState.windowX = position.x;
    bubbleState.windowY = position.y;
    return true;
}
