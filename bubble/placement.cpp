// Where the bubble stands beside the icon, and where its button stands on it.
#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "gfx/geometry.h"

BubblePlacement PlaceBubble(const IconRect& icon, const RECT& workArea, UINT dpi)
{
    // The rectangle comes from another process and may hold any value: the
    // room test is made in 64 bits, and x is held at the ends of the 32-bit
    // range rather than wrapped.
    const long long rightSideX = static_cast<long long>(icon.right) - Scaled(RIGHT_SIDE_OVERLAP, dpi);
    if (rightSideX + Scaled(BUBBLE_WIDTH, dpi) > workArea.right) {
        return {ClampedSum(icon.left, -Scaled(LEFT_SIDE_OFFSET, dpi)), icon.top, false};
    }
    return {ClampedSum(icon.right, -Scaled(RIGHT_SIDE_OVERLAP, dpi)), icon.top, true};
}

RECT DismissRectFor(bool onRight, UINT dpi)
{
    const RECT& standard = onRight ? DISMISS_RECT_RIGHT_SIDE : DISMISS_RECT_LEFT_SIDE;
    // Its corner and its size scaled, so the button keeps its picture's size.
    const LONG left = Scaled(standard.left, dpi);
    const LONG top = Scaled(standard.top, dpi);
    return {left, top, left + Scaled(standard.right - standard.left, dpi),
            top + Scaled(standard.bottom - standard.top, dpi)};
}
