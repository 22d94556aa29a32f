// Where the bubble goes beside the icon, and its lengths at each scale.
#include <gtest/gtest.h>

#include <climits>

#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"

namespace {

constexpr RECT PRIMARY = {0, 0, 800, 600};
constexpr RECT SECOND_MONITOR = {800, 0, 1824, 768};      // right of the primary
constexpr RECT LEFT_MONITOR = {-1024, 0, 0, 768};         // left of the primary
constexpr RECT TASKBAR_ON_THE_LEFT = {48, 0, 800, 600};   // work area of the primary

}  // namespace

TEST(PlaceBubble, RightWhileTheBubbleFitsInTheIconsWorkAreaElseLeftNeverClampedAndWithoutOverflow)
{
    struct Case {
        const char* what;
        IconRect icon;
        RECT workArea;
        UINT dpi;
        LONG x;
        LONG y;
        bool onRight;
    };
    const Case cases[] = {
        {"the typical icon", {20, 100, 95, 170}, PRIMARY, 96, 85, 100, true},
        {"603 + 197 == 800: still fits", {528, 40, 603, 110}, PRIMARY, 96, 593, 40, true},
        {"one pixel more: left side", {529, 40, 604, 110}, PRIMARY, 96, 332, 40, false},
        {"far right", {700, 300, 775, 370}, PRIMARY, 96, 503, 300, false},
        {"a narrow screen puts the bubble partly off it", {50, 10, 125, 80}, {0, 0, 300, 300}, 96, -147, 10, false},
        {"the all-zero rectangle of a failed search", {0, 0, 0, 0}, PRIMARY, 96, -10, 0, true},
        // The room test uses the icon's own monitor and its work area.
        {"near the left edge of a second monitor", {810, 100, 885, 170}, SECOND_MONITOR, 96, 875, 100, true},
        {"at the right edge of a second monitor", {1740, 100, 1815, 170}, SECOND_MONITOR, 96, 1543, 100, false},
        {"in the last column of a monitor left of the primary", {-90, 50, -15, 120}, LEFT_MONITOR, 96, -287, 50,
         false},
        {"room enough left of the primary", {-1000, 50, -925, 120}, LEFT_MONITOR, 96, -935, 50, true},
        {"the taskbar on the left takes nothing from the right edge", {528, 40, 603, 110}, TASKBAR_ON_THE_LEFT, 96,
         593, 40, true},
        // At 150 % and 200 % the offsets and the width are scaled: 15 and
        // 296, 311; 20 and 394, 414.
        {"150 %, room on the right", {20, 100, 133, 205}, PRIMARY, 144, 118, 100, true},
        {"150 %, 489 + 311 == 800: still fits", {391, 40, 504, 145}, PRIMARY, 144, 489, 40, true},
        {"150 %, one pixel more", {392, 40, 505, 145}, PRIMARY, 144, 96, 40, false},
        {"200 %, no room", {500, 40, 650, 190}, PRIMARY, 192, 106, 40, false},
        // Extreme rectangles from another process: x would wrap past the
        // bottom of the range on either side, and is held there instead.
        {"at the top of the range", {INT_MAX - 5, 0, INT_MAX, 10}, PRIMARY, 96, INT_MAX - 5 - LEFT_SIDE_OFFSET, 0,
         false},
        {"at the bottom of the range", {INT_MIN, 0, INT_MIN + 5, 10}, PRIMARY, 96, INT_MIN, 0, true},
        {"as wide as the range", {INT_MIN, INT_MAX, INT_MAX, INT_MAX}, PRIMARY, 96, INT_MIN, INT_MAX, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BubblePlacement p = PlaceBubble(c.icon, c.workArea, c.dpi);
        EXPECT_EQ(c.x, p.x);
        EXPECT_EQ(c.y, p.y);
        EXPECT_EQ(c.onRight, p.onRight);
    }
}

TEST(PlaceBubble, EveryLengthIsItsValueAt96DpiScaledAndRounded)
{
    struct Case {
        UINT dpi;
        int width;
        int height;
        RECT rightButton;
        RECT leftButton;
    };
    const Case cases[] = {
        {96, 207, 75, {125, 35, 191, 59}, {116, 35, 182, 59}},
        {120, 259, 94, {156, 44, 239, 74}, {145, 44, 228, 74}},
        {144, 311, 113, {188, 53, 287, 89}, {174, 53, 273, 89}},
        {192, 414, 150, {250, 70, 382, 118}, {232, 70, 364, 118}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        EXPECT_EQ(c.width, Scaled(BUBBLE_WIDTH, c.dpi));
        EXPECT_EQ(c.height, Scaled(BUBBLE_HEIGHT, c.dpi));
        const RECT right = DismissRectFor(true, c.dpi);
        const RECT left = DismissRectFor(false, c.dpi);
        EXPECT_TRUE(EqualRect(&c.rightButton, &right)) << right.left << "," << right.top << "," << right.right;
        EXPECT_TRUE(EqualRect(&c.leftButton, &left)) << left.left << "," << left.top << "," << left.right;
    }
}
