// Where the bubble goes beside the icon.
#include <gtest/gtest.h>

#include <climits>

#include "bubble/bubble.h"

TEST(PlaceBubble, RightWhileTheBubbleFitsElseLeftNeverClampedAndWithoutOverflow)
{
    struct Case {
        const char* what;
        IconRect icon;
        LONG screenWidth;
        LONG x;
        LONG y;
        bool onRight;
    };
    const Case cases[] = {
        {"the typical icon", {20, 100, 95, 170}, 800, 85, 100, true},
        {"603 + 197 == 800: still fits", {528, 40, 603, 110}, 800, 593, 40, true},
        {"one pixel more: left side", {529, 40, 604, 110}, 800, 332, 40, false},
        {"far right", {700, 300, 775, 370}, 800, 503, 300, false},
        // Nothing is clamped to the screen.
        {"left of the primary monitor: always room on the right", {-300, -50, -225, 20}, 800, -235, -50, true},
        {"on a monitor right of the primary one: the left side", {900, 700, 975, 770}, 800, 703, 700, false},
        {"a narrow screen puts the bubble partly off it", {50, 10, 125, 80}, 300, -147, 10, false},
        {"the all-zero rectangle of a failed search", {0, 0, 0, 0}, 800, -10, 0, true},
        // Extreme rectangles from another process: x would wrap past the
        // bottom of the range on either side, and is held there instead.
        {"at the top of the range", {INT_MAX - 5, 0, INT_MAX, 10}, 800, INT_MAX - 5 - LEFT_SIDE_OFFSET, 0, false},
        {"at the bottom of the range", {INT_MIN, 0, INT_MIN + 5, 10}, 800, INT_MIN, 0, true},
        {"as wide as the range", {INT_MIN, INT_MAX, INT_MAX, INT_MAX}, 800, INT_MIN, INT_MAX, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BubblePlacement p = PlaceBubble(c.icon, c.screenWidth);
        EXPECT_EQ(c.x, p.x);
        EXPECT_EQ(c.y, p.y);
        EXPECT_EQ(c.onRight, p.onRight);
    }
}
