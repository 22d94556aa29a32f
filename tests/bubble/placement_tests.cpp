// Where the bubble goes beside the icon.
#include <gtest/gtest.h>

#include <climits>

#include "bubble/bubble.h"

namespace {
IconRect Icon(LONG left, LONG top, LONG right, LONG bottom) { return {left, top, right, bottom}; }
}  // namespace

TEST(PlaceBubble, StaysRightWhileTheBubbleFitsAndSwitchesOnePixelLater)
{
    struct Case {
        IconRect icon;
        LONG x;
        LONG y;
        bool onRight;
    };
    const Case cases[] = {
        {Icon(20, 100, 95, 170), 85, 100, true},
        {Icon(528, 40, 603, 110), 593, 40, true},   // 603 + 197 == 800: still fits
        {Icon(529, 40, 604, 110), 332, 40, false},  // one pixel more: left side
        {Icon(700, 300, 775, 370), 503, 300, false},
    };
    for (const Case& c : cases) {
        const BubblePlacement p = PlaceBubble(c.icon, 800);
        EXPECT_EQ(c.x, p.x) << "icon right " << c.icon.right;
        EXPECT_EQ(c.y, p.y) << "icon right " << c.icon.right;
        EXPECT_EQ(c.onRight, p.onRight) << "icon right " << c.icon.right;
    }
}

TEST(PlaceBubble, NothingIsClampedToTheScreen)
{
    // Left of the primary monitor: always room on the right.
    const BubblePlacement offLeft = PlaceBubble(Icon(-300, -50, -225, 20), 800);
    EXPECT_TRUE(offLeft.onRight);
    EXPECT_EQ(-235, offLeft.x);
    EXPECT_EQ(-50, offLeft.y);

    // On a monitor right of the primary one: always the left side.
    const BubblePlacement offRight = PlaceBubble(Icon(900, 700, 975, 770), 800);
    EXPECT_FALSE(offRight.onRight);
    EXPECT_EQ(703, offRight.x);
    EXPECT_EQ(700, offRight.y);

    // A narrow screen puts the bubble partly off it.
    const BubblePlacement narrow = PlaceBubble(Icon(50, 10, 125, 80), 300);
    EXPECT_FALSE(narrow.onRight);
    EXPECT_EQ(-147, narrow.x);

    // The all-zero rectangle of a failed search means the right side at -10.
    const BubblePlacement zero = PlaceBubble(Icon(0, 0, 0, 0), 800);
    EXPECT_TRUE(zero.onRight);
    EXPECT_EQ(-10, zero.x);
}

TEST(PlaceBubble, ExtremeRectanglesFromAnotherProcessDoNotOverflow)
{
    const BubblePlacement high = PlaceBubble(Icon(INT_MAX - 5, 0, INT_MAX, 10), 800);
    EXPECT_FALSE(high.onRight);
    EXPECT_EQ(INT_MAX - 5 - LEFT_SIDE_OFFSET, high.x);

    // x would wrap past the bottom of the range on either side: it is held
    // there instead.
    const BubblePlacement low = PlaceBubble(Icon(INT_MIN, 0, INT_MIN + 5, 10), 800);
    EXPECT_TRUE(low.onRight);
    EXPECT_EQ(INT_MIN, low.x);
    const BubblePlacement wide = PlaceBubble(Icon(INT_MIN, INT_MAX, INT_MAX, INT_MAX), 800);
    EXPECT_FALSE(wide.onRight);
    EXPECT_EQ(INT_MIN, wide.x);
    EXPECT_EQ(INT_MAX, wide.y);
}
