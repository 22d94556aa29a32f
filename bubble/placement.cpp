// Where the bubble stands beside the icon.
#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "gfx/geometry.h"

BubblePlacement PlaceBubble(const IconRect& icon, int screenWidth)
{
    // The rectangle comes from another process and may hold any value: the
    // room test is made in 64 bits, and x is held at the ends of the 32-bit
    // range rather than wrapped.
    const long long rightSideX = static_cast<long long>(icon.right) - RIGHT_SIDE_OVERLAP;
    if (rightSideX + BUBBLE_WIDTH > screenWidth) {
        return {ClampedSum(icon.left, -LEFT_SIDE_OFFSET), icon.top, false};
    }
    return {ClampedSum(icon.right, -RIGHT_SIDE_OVERLAP), icon.top, true};
}

RECT DismissRectFor(bool onRight)
{
    return onRight ? DISMISS_RECT_RIGHT_SIDE : DISMISS_RECT_LEFT_SIDE;
}
