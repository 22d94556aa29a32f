// Where the bubble stands beside the icon.
#include "bubble/bubble.h"

BubblePlacement PlaceBubble(const IconRect& icon, int screenWidth)
{
    // 64-bit arithmetic: the rectangle comes from another process and may hold
    // any value, and an overflow here would be undefined behaviour.
    const long long rightSideX = static_cast<long long>(icon.right) - RIGHT_SIDE_OVERLAP;
    if (rightSideX + BUBBLE_WIDTH > screenWidth) {
        const long long leftSideX = static_cast<long long>(icon.left) - LEFT_SIDE_OFFSET;
        return {static_cast<LONG>(leftSideX), icon.top, false};
    }
    return {static_cast<LONG>(rightSideX), icon.top, true};
}

RECT DismissRectFor(bool onRight)
{
    return onRight ? DISMISS_RECT_RIGHT_SIDE : DISMISS_RECT_LEFT_SIDE;
}
