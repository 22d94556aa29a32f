// Fade-in, fade-out and grow, driven tick by tick.
#include "kit/bubble_fixture.h"

#include <utility>
#include <vector>

// Each presentation blends per pixel (ULW_ALPHA, AC_SRC_ALPHA): without it
// Windows shows the picture's transparent parts black, while under Wine 8
// the screen looks the same either way, so the call itself is read.
TEST_F(BubbleTest, FadeInPresentsNineTimesAndStopsAtOpaque)
{
    StartWithIcon(TYPICAL_ICON);
    NewTimerCalls();
    const std::vector<int> expected = {30, 60, 90, 120, 150, 180, 210, 240, 255};
    for (const int alpha : expected) {
        const int before = shellCounters.presentations;
        Tick(TIMER_FADE_IN);
        EXPECT_EQ(alpha == ALPHA_OPAQUE ? TimerCalls{Killed(TIMER_FADE_IN)} : TimerCalls{}, NewTimerCalls());
        EXPECT_EQ(before + 1, shellCounters.presentations);
        EXPECT_TRUE(LastPresentationShown()) << "alpha " << alpha;
        EXPECT_EQ(alpha, shellCounters.lastAlpha);
        EXPECT_EQ(static_cast<DWORD>(ULW_ALPHA), LastLayeredWindowCall().flags);
        EXPECT_EQ(AC_SRC_ALPHA, LastLayeredWindowCall().blend.AlphaFormat);
        EXPECT_EQ(XY(207, 75), PresentedSize());
    }
    EXPECT_EQ(ALPHA_OPAQUE, bubbleState.alpha);
}

TEST_F(BubbleTest, FadeOutPresentsDownToFifteenThenEndsWithoutPresenting)
{
    StartWithIcon(TYPICAL_ICON);
    BeginFadeOut(window, FADE_OUT_CLICK_PERIOD_MS);
    NewTimerCalls();
    for (int alpha = 225; alpha > 0; alpha -= FADE_STEP) {
        Tick(TIMER_FADE_OUT);
        EXPECT_EQ(alpha, shellCounters.lastAlpha);
        EXPECT_TRUE(LastPresentationShown()) << "alpha " << alpha;
        EXPECT_FALSE(TakeQuitMessage());
    }
    EXPECT_EQ(15, shellCounters.lastAlpha);
    EXPECT_EQ(TimerCalls{}, NewTimerCalls());

    const int before = shellCounters.presentations;
    Tick(TIMER_FADE_OUT);
    EXPECT_EQ(before, shellCounters.presentations) << "the last tick presents nothing";
    EXPECT_EQ(-15, bubbleState.alpha);
    EXPECT_EQ(1, gdiplusShutdowns) << "WM_DESTROY ran inside the tick";
    int exitCode = -1;
    EXPECT_TRUE(TakeQuitMessage(&exitCode));
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(TimerCalls{Killed(TIMER_FADE_OUT)}, NewTimerCalls());
    EXPECT_TRUE(IsWindow(window)) << "the window is left to the end of the process";
}

TEST_F(BubbleTest, FadeOutBegunDuringTheFadeInRunsItsFullCourseFromOpaque)
{
    StartWithIcon(TYPICAL_ICON);
    Tick(TIMER_FADE_IN);
    Tick(TIMER_FADE_IN);  // alpha 60
    BeginFadeOut(window, FADE_OUT_CLICK_PERIOD_MS);
    EXPECT_EQ(ALPHA_OPAQUE, bubbleState.alpha);
    NewTimerCalls();

    Tick(TIMER_FADE_OUT);  // 225
    Tick(TIMER_FADE_IN);   // 255 and the fade-in stops
    EXPECT_EQ(ALPHA_OPAQUE, shellCounters.lastAlpha);
    EXPECT_EQ(TimerCalls{Killed(TIMER_FADE_IN)}, NewTimerCalls());

    int fadeOutPresentations = 0;
    while (!TakeQuitMessage()) {
        const int before = shellCounters.presentations;
        Tick(TIMER_FADE_OUT);
        fadeOutPresentations += shellCounters.presentations - before;
        ASSERT_LT(fadeOutPresentations, 20);
    }
    EXPECT_EQ(8, fadeOutPresentations) << "225 down to 15 again";
}

// Every step shows the picture's top-left part: the canvas is read from its
// corner (0, 0), whatever size is shown.
TEST_F(BubbleTest, GrowRevealsTheBubbleFromItsCornerInElevenTicks)
{
    StartWithIcon(TYPICAL_ICON);
    NewTimerCalls();
    std::vector<std::pair<int, int>> sizes;
    for (int tick = 0; tick < 11; ++tick) {
        Tick(TIMER_GROW);
        EXPECT_EQ(tick == 10 ? TimerCalls{Killed(TIMER_GROW)} : TimerCalls{}, NewTimerCalls());
        EXPECT_TRUE(LastPresentationShown()) << "grow tick " << tick;
        EXPECT_EQ(XY(0, 0), XY(shellCounters.lastSource.x, shellCounters.lastSource.y)) << "grow tick " << tick;
        sizes.emplace_back(shellCounters.lastSize.cx, shellCounters.lastSize.cy);
    }
    const std::vector<std::pair<int, int>> expected = {
        {20, 7},   {40, 14},  {60, 21},  {80, 28},  {100, 35}, {120, 42},
        {140, 49}, {160, 56}, {180, 63}, {200, 70}, {207, 75}};
    EXPECT_EQ(expected, sizes);
    EXPECT_EQ(XY(0, 0), XY(bubbleState.growWidth, bubbleState.growHeight));
    EXPECT_EQ(XY(20, 7), XY(bubbleState.growStepX, bubbleState.growStepY));
    EXPECT_EQ(85, shellCounters.lastPoint.x) << "revealed in place";
}

TEST_F(BubbleTest, ARearmedGrowContinuesFromItsSize)
{
    StartWithIcon(TYPICAL_ICON);
    for (int tick = 0; tick < 3; ++tick) Tick(TIMER_GROW);
    MoveIcon({30, 120, 105, 190});
    Tick(TIMER_TRACK);  // moves, presents 0 x 0 and starts the grow again
    Tick(TIMER_GROW);
    EXPECT_TRUE(LastPresentationShown());
    EXPECT_EQ(XY(80, 28), PresentedSize());
}

TEST_F(BubbleTest, AnUnknownTimerIdChangesNothing)
{
    StartWithIcon(TYPICAL_ICON);
    const BubbleState before = bubbleState;
    const int presentations = shellCounters.presentations;
    NewTimerCalls();

    for (const UINT_PTR unknown : {TIMER_TRACK - 1, TIMER_FADE_IN + 1}) Tick(unknown);

    EXPECT_EQ(presentations, shellCounters.presentations);
    EXPECT_EQ(before.alpha, bubbleState.alpha);
    EXPECT_EQ(before.growWidth, bubbleState.growWidth);
    EXPECT_EQ(before.dismissing, bubbleState.dismissing);
    EXPECT_EQ(TimerCalls{}, NewTimerCalls());
    EXPECT_FALSE(TakeQuitMessage());
}

// With animations turned off by the user: shown opaque at once, moved at full
// size, ended at once by a click or by the icon's going; the tracking timer
// as ever.
TEST_F(BubbleTest, WithAnimationsOffTheBubbleAppearsMovesAndEndsAtOnce)
{
    SetAnimationsOn(false);
    StartWithIcon(TYPICAL_ICON);
    EXPECT_EQ(1, shellCounters.presentations);
    EXPECT_EQ(ALPHA_OPAQUE, shellCounters.lastAlpha);
    EXPECT_TRUE(LastPresentationShown());
    EXPECT_EQ(TimerCalls{Armed(TIMER_TRACK, TRACKING_MS)}, NewTimerCalls()) << "no fade-in";

    MoveIcon({220, 260, 295, 330});
    Tick(TIMER_TRACK);
    EXPECT_EQ(TimerCalls{}, NewTimerCalls()) << "no grow";
    EXPECT_EQ(285, shellCounters.lastPoint.x);
    EXPECT_EQ(XY(207, 75), PresentedSize());
    EXPECT_TRUE(LastPresentationShown());

    SendClick(window, ON_BUTTON);
    EXPECT_EQ(1, gdiplusShutdowns) << "WM_DESTROY ran within the click";
    int exitCode = NO_QUIT;
    EXPECT_TRUE(TakeQuitMessage(&exitCode));
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(TimerCalls{Killed(TIMER_TRACK)}, NewTimerCalls()) << "no fade-out";
}

TEST_F(BubbleTest, WithAnimationsOffAVanishedIconEndsTheBubbleAtOnce)
{
    SetAnimationsOn(false);
    StartWithIcon(TYPICAL_ICON);
    const int presentations = shellCounters.presentations;
    NewTimerCalls();
    RemoveIcon();
    Tick(TIMER_TRACK);
    EXPECT_EQ(presentations, shellCounters.presentations);
    EXPECT_EQ(1, gdiplusShutdowns);
    EXPECT_TRUE(TakeQuitMessage());
    EXPECT_EQ(TimerCalls{Killed(TIMER_TRACK)}, NewTimerCalls());
}
