// WM_CREATE and WM_MOVE of the bubble window: placement beside the icon, the
// canvas, the pictures, the dismiss button and its host, the first
// presentation and the timers.
#include <windows.h>

#include "app/presentation.h"
#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "bubble/canvas.h"
#include "gfx/geometry.h"
#include "res/resource.h"

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

    const int screenWidth = GetSystemMetrics(SM_CXFULLSCREEN);
    IconRect icon = {};
    if (!LocateDesktopIcon(TARGET_ICON_NAME, icon, bubbleState.desktopList)) {
        EndBubbleQuietly();
        return false;
    }

    bubbleState.desktopWindow = GetAncestor(bubbleState.desktopList.window, GA_ROOT);
    const BubblePlacement placement = PlaceBubble(icon, screenWidth);
    if (!placement.onRight) bubbleState.bubbleOnRight = 0;
    bubbleState.windowX = bubbleState.lastPlacedX = placement.x;
    bubbleState.windowY = bubbleState.lastPlacedY = placement.y;

    // Shown without activation; sends WM_MOVE back before it returns. Then
    // directly above the desktop's icons and beneath every application window.
    SetWindowPos(window, nullptr, placement.x, placement.y, BUBBLE_WIDTH, BUBBLE_HEIGHT,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
    PlaceAboveDesktop(window, bubbleState.desktopWindow);

    BuildCanvas(window);

    bubbleState.bubbleImageRight = LoadPngResource(IDP_BUBBLE_RIGHT, PNG_RESOURCE_TYPE);
    bubbleState.bubbleImageLeft = LoadPngResource(IDP_BUBBLE_LEFT, PNG_RESOURCE_TYPE);
    bubbleState.buttonImageNormal = LoadPngResource(IDP_BUTTON_NORMAL, PNG_RESOURCE_TYPE);
    bubbleState.buttonImageHover = LoadPngResource(IDP_BUTTON_HOVER, PNG_RESOURCE_TYPE);
    bubbleState.buttonImagePressed = LoadPngResource(IDP_BUTTON_PRESSED, PNG_RESOURCE_TYPE);

    DrawBubblePicture();

    ImageButton* const button =
        new ImageButton(DismissRectFor(bubbleState.bubbleOnRight != 0), ID_DISMISS_BUTTON);
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

    // The first presentation, fully transparent; the window already stands
    // above the desktop. The fade-in makes it visible.
    host->PaintButtons(bubbleState.canvasDC);
    PushCanvas(window, {bubbleState.canvasDC, {bubbleState.windowX, bubbleState.windowY},
                        {BUBBLE_WIDTH, BUBBLE_HEIGHT}, bubbleState.alpha});

    SetTimer(window, TIMER_TRACK, TRACK_PERIOD_MS, nullptr);
    bubbleState.alpha = 0;
    SetTimer(window, TIMER_FADE_IN, FADE_IN_PERIOD_MS, nullptr);
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
