// The shell's desktop windows going away while the bubble tracks the icon:
// for good (the bubble fades out and the quit message carries 0), or only
// until the next tracking tick (the bubble carries on as if nothing had
// happened). Timers are driven by sending WM_TIMER in the order a clock would
// deliver them.
#include "tests/support/bubble_fixture.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int MAX_TICKS = 200;   // far more than any animation needs
constexpr int FADE_OUT_TICKS = 9;

struct Timer {
    UINT_PTR id;
    UINT periodMs;
};

}  // namespace

class ShellOutageTest : public BubbleTest {
protected:
    // Sends the ticks of the running `timers` in the order their periods make
    // them fall due, until the quit message arrives; the number of ticks sent
    // (MAX_TICKS when no quit message came). Records the largest alpha shown.
    int RunUntilQuit(const std::vector<Timer>& timers, int* exitCode)
    {
        std::vector<UINT> due;
        for (const Timer& timer : timers) due.push_back(timer.periodMs);
        for (int sent = 0; sent < MAX_TICKS; ++sent) {
            size_t next = 0;
            for (size_t i = 1; i < timers.size(); ++i) {
                if (due[i] < due[next]) next = i;
            }
            due[next] += timers[next].periodMs;
            // Only a running timer ticks; the check restarts it unchanged.
            if (!TimerRunning(window, timers[next].id, timers[next].periodMs)) continue;
            Tick(timers[next].id);
            highestAlphaShown = std::max(highestAlphaShown, shellCounters.lastAlpha);
            if (TakeQuitMessage(exitCode)) return sent + 1;
        }
        return MAX_TICKS;
    }

    int highestAlphaShown = -1;
};

TEST_F(ShellOutageTest, TheDesktopGoingAwayFadesTheBubbleOutAndQuitsWithZero)
{
    StartWithIcon(TYPICAL_ICON);
    FadeInFully();
    desktop->DestroyWindows();

    Tick(TIMER_TRACK);
    EXPECT_EQ(1, bubbleState.dismissing);
    EXPECT_FALSE(TimerRunning(window, TIMER_TRACK, TRACK_PERIOD_MS));
    ASSERT_TRUE(TimerRunning(window, TIMER_FADE_OUT, FADE_OUT_VANISH_PERIOD_MS));

    int exitCode = -1;
    const int ticks = RunUntilQuit({{TIMER_FADE_OUT, FADE_OUT_VANISH_PERIOD_MS}}, &exitCode);
    EXPECT_EQ(FADE_OUT_TICKS, ticks);
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(1, shellCounters.gdiplusShutdowns);
    EXPECT_FALSE(TimerRunning(window, TIMER_FADE_OUT, FADE_OUT_VANISH_PERIOD_MS));
    EXPECT_EQ(0, desktop->OutstandingReferences());
}

TEST_F(ShellOutageTest, TheDesktopBackBeforeTheNextTickLeavesTheBubbleAsItWas)
{
    StartWithIcon(TYPICAL_ICON);
    FadeInFully();
    const int presentations = shellCounters.presentations;
    const HWND oldListView = desktop->ListView();

    desktop->DestroyWindows();
    desktop->CreateWindows();
    ASSERT_NE(oldListView, desktop->ListView()) << "new windows, as after a restart of the shell";
    Tick(TIMER_TRACK);

    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(presentations, shellCounters.presentations) << "the icon has not moved";
    EXPECT_TRUE(TimerRunning(window, TIMER_TRACK, TRACK_PERIOD_MS));
    EXPECT_FALSE(TimerRunning(window, TIMER_FADE_OUT, FADE_OUT_VANISH_PERIOD_MS));
    EXPECT_TRUE(IsWindowVisible(window));

    // The new desktop is followed like the old one.
    MoveIcon({220, 260, 295, 330});
    Tick(TIMER_TRACK);
    EXPECT_EQ(285, bubbleState.lastPlacedX);
    EXPECT_EQ(260, bubbleState.lastPlacedY);
    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(0, desktop->OutstandingReferences());
}

TEST_F(ShellOutageTest, AShellBackInTheOtherLayoutWithTheIconElsewhereIsFollowed)
{
    StartWithIcon(TYPICAL_ICON);
    FadeInFully();
    desktop.reset();
    desktop = std::make_unique<standin::Desktop>(standin::Layout::WorkerW);
    desktop->Add(standin::MakeItem(std::string("Recycle Bin"), RECT{20, 10, 95, 80}));
    iconIndex = desktop->Add(standin::MakeItem(std::string("marrowtune"), RECT{20, 300, 95, 370}));

    Tick(TIMER_TRACK);

    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(85, bubbleState.lastPlacedX);
    EXPECT_EQ(300, bubbleState.lastPlacedY);
    EXPECT_TRUE(TimerRunning(window, TIMER_GROW, GROW_PERIOD_MS));
    EXPECT_EQ(0, desktop->OutstandingReferences());
}

TEST_F(ShellOutageTest, TheDesktopGoingAwayDuringTheFadeInStillEndsTheBubble)
{
    StartWithIcon(TYPICAL_ICON);
    Tick(TIMER_FADE_IN);
    Tick(TIMER_FADE_IN);
    desktop->DestroyWindows();

    Tick(TIMER_TRACK);
    ASSERT_EQ(1, bubbleState.dismissing);

    // Both fades run on their own clocks until the fade-out ends everything.
    int exitCode = -1;
    const int ticks = RunUntilQuit(
        {{TIMER_FADE_IN, FADE_IN_PERIOD_MS}, {TIMER_FADE_OUT, FADE_OUT_VANISH_PERIOD_MS}}, &exitCode);
    EXPECT_LT(ticks, MAX_TICKS) << "no quit message";
    EXPECT_EQ(0, exitCode);
    EXPECT_LE(highestAlphaShown, ALPHA_OPAQUE);
    EXPECT_EQ(1, shellCounters.gdiplusShutdowns);
    EXPECT_FALSE(TimerRunning(window, TIMER_FADE_IN, FADE_IN_PERIOD_MS));
}

TEST_F(ShellOutageTest, TheDesktopGoingAwayDuringTheGrowStillEndsTheBubble)
{
    StartWithIcon(TYPICAL_ICON);
    FadeInFully();
    MoveIcon({220, 260, 295, 330});
    Tick(TIMER_TRACK);
    Tick(TIMER_GROW);
    Tick(TIMER_GROW);
    desktop->DestroyWindows();

    Tick(TIMER_TRACK);
    ASSERT_EQ(1, bubbleState.dismissing);
    EXPECT_EQ(285, bubbleState.windowX) << "the bubble stays where it was";

    int exitCode = -1;
    const int ticks = RunUntilQuit(
        {{TIMER_GROW, GROW_PERIOD_MS}, {TIMER_FADE_OUT, FADE_OUT_VANISH_PERIOD_MS}}, &exitCode);
    EXPECT_LT(ticks, MAX_TICKS) << "no quit message";
    EXPECT_EQ(0, exitCode);
    EXPECT_FALSE(TimerRunning(window, TIMER_GROW, GROW_PERIOD_MS));
    EXPECT_EQ(1, shellCounters.gdiplusShutdowns);
}

TEST_F(ShellOutageTest, RepeatedOutagesBetweenTicksNeverEndTheBubble)
{
    StartWithIcon(TYPICAL_ICON);
    FadeInFully();
    for (int outage = 0; outage < 50; ++outage) {
        desktop->DestroyWindows();
        desktop->CreateWindows();
        Tick(TIMER_TRACK);
        ASSERT_EQ(0, bubbleState.dismissing) << "outage " << outage;
    }
    EXPECT_EQ(0, desktop->OutstandingReferences());
    EXPECT_TRUE(TimerRunning(window, TIMER_TRACK, TRACK_PERIOD_MS));
}
