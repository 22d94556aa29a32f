// The shell's desktop windows going away while the bubble tracks the icon:
// for good (the bubble fades out and the quit message carries 0), or only
// until the next tracking tick (the bubble carries on as if nothing had
// happened). Timers are driven by sending WM_TIMER in the order a clock would
// deliver them.
#include "kit/bubble_fixture.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int MAX_TICKS = 200;   // far more than any animation needs
constexpr int FADE_OUT_TICKS = 9;

}  // namespace

class ShellOutageTest : public BubbleTest {
protected:
    void SetUp() override { StartWithIcon(TYPICAL_ICON); }

    // Sends the ticks of the timers `ids` while they run, in the order the
    // periods the bubble gave them make them fall due, until the quit message
    // arrives, which must carry 0; the number of ticks sent (MAX_TICKS when no
    // quit message came). Records the largest alpha the bubble reached: beyond
    // opaque, only its low byte would be shown.
    int RunUntilQuit(const std::vector<UINT_PTR>& ids)
    {
        int exitCode = -1;
        std::vector<UINT> due;
        for (const UINT_PTR id : ids) due.push_back(RunningPeriod(window, id));
        for (int sent = 0; sent < MAX_TICKS; ++sent) {
            size_t next = ids.size();
            for (size_t i = 0; i < ids.size(); ++i) {
                if (RunningPeriod(window, ids[i]) != 0 && (next == ids.size() || due[i] < due[next])) next = i;
            }
            if (next == ids.size()) return MAX_TICKS;  // nothing runs any more
            due[next] += RunningPeriod(window, ids[next]);
            Tick(ids[next]);
            highestAlpha = std::max(highestAlpha, bubbleState.alpha);
            if (!TakeQuitMessage(&exitCode)) continue;
            EXPECT_EQ(0, exitCode);
            return sent + 1;
        }
        return MAX_TICKS;
    }

    // The bubble keeps the list view's object between walks and releases it
    // as it ends: ends it the way the icon's going ends it.
    void EndByTheIconGoing()
    {
        RemoveIcon();
        Tick(TIMER_TRACK);
        EXPECT_LT(RunUntilQuit({TIMER_FADE_OUT}), MAX_TICKS) << "no quit message";
    }

    int highestAlpha = -1;
};

TEST_F(ShellOutageTest, TheDesktopGoingAwayFadesTheBubbleOutAndQuitsWithZero)
{
    FadeInFully();
    desktop->DestroyWindows();
    NewTimerCalls();

    Tick(TIMER_TRACK);
    EXPECT_EQ(1, bubbleState.dismissing);
    ASSERT_EQ((TimerCalls{Killed(TIMER_TRACK), Armed(TIMER_FADE_OUT, VANISH_FADE_OUT_MS)}), NewTimerCalls());

    EXPECT_EQ(FADE_OUT_TICKS, RunUntilQuit({TIMER_FADE_OUT}));
    EXPECT_EQ(1, gdiplusShutdowns);
    EXPECT_EQ(TimerCalls{Killed(TIMER_FADE_OUT)}, NewTimerCalls());
    EXPECT_EQ(0, desktop->OutstandingReferences());
}

TEST_F(ShellOutageTest, TheDesktopBackBeforeTheNextTickLeavesTheBubbleAsItWas)
{
    FadeInFully();
    const int presentations = shellCounters.presentations;
    const HWND oldListView = desktop->ListView();

    desktop->DestroyWindows();
    desktop->CreateWindows();
    ASSERT_NE(oldListView, desktop->ListView()) << "new windows, as after a restart of the shell";
    NewTimerCalls();
    Tick(TIMER_TRACK);

    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(presentations, shellCounters.presentations) << "the icon has not moved";
    EXPECT_EQ(TimerCalls{}, NewTimerCalls());
    EXPECT_TRUE(IsWindowVisible(window));

    // The new desktop is followed like the old one.
    MoveIcon({220, 260, 295, 330});
    Tick(TIMER_TRACK);
    EXPECT_EQ(XY(285, 260), PlacedAt());
    EXPECT_EQ(0, bubbleState.dismissing);
    EndByTheIconGoing();
    EXPECT_EQ(0, desktop->OutstandingReferences());
}

TEST_F(ShellOutageTest, AShellBackInTheOtherLayoutWithTheIconElsewhereIsFollowed)
{
    FadeInFully();
    desktop.reset();
    desktop = std::make_unique<standin::Desktop>(standin::Layout::WorkerW);
    desktop->Add(standin::MakeItem(std::string("Recycle Bin"), RECT{20, 10, 95, 80}));
    iconIndex = desktop->Add(standin::MakeItem(std::string("marrowtune"), RECT{20, 300, 95, 370}));

    Tick(TIMER_TRACK);

    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(XY(85, 300), PlacedAt());
    EXPECT_EQ(GROW_MS, RunningPeriod(window, TIMER_GROW));
    EndByTheIconGoing();
    EXPECT_EQ(0, desktop->OutstandingReferences());
}

TEST_F(ShellOutageTest, TheDesktopGoingAwayDuringTheFadeInStillEndsTheBubble)
{
    Tick(TIMER_FADE_IN);
    Tick(TIMER_FADE_IN);
    desktop->DestroyWindows();

    Tick(TIMER_TRACK);
    ASSERT_EQ(1, bubbleState.dismissing);

    // Both fades run on their own clocks until the fade-out ends everything.
    EXPECT_LT(RunUntilQuit({TIMER_FADE_IN, TIMER_FADE_OUT}), MAX_TICKS) << "no quit message";
    EXPECT_EQ(ALPHA_OPAQUE, highestAlpha) << "the fade-in met the fade-out's opaque start";
    EXPECT_EQ(1, gdiplusShutdowns);
    EXPECT_EQ(0u, RunningPeriod(window, TIMER_FADE_IN));
}

TEST_F(ShellOutageTest, TheDesktopGoingAwayDuringTheGrowStillEndsTheBubble)
{
    FadeInFully();
    MoveIcon({220, 260, 295, 330});
    Tick(TIMER_TRACK);
    Tick(TIMER_GROW);
    Tick(TIMER_GROW);
    desktop->DestroyWindows();

    Tick(TIMER_TRACK);
    ASSERT_EQ(1, bubbleState.dismissing);
    EXPECT_EQ(285, bubbleState.windowX) << "the bubble stays where it was";

    EXPECT_LT(RunUntilQuit({TIMER_GROW, TIMER_FADE_OUT}), MAX_TICKS) << "no quit message";
    EXPECT_EQ(0u, RunningPeriod(window, TIMER_GROW));
    EXPECT_EQ(1, gdiplusShutdowns);
}

TEST_F(ShellOutageTest, RepeatedOutagesBetweenTicksNeverEndTheBubble)
{
    FadeInFully();
    for (int outage = 0; outage < 50; ++outage) {
        desktop->DestroyWindows();
        desktop->CreateWindows();
        Tick(TIMER_TRACK);
        ASSERT_EQ(0, bubbleState.dismissing) << "outage " << outage;
    }
    EXPECT_EQ(TRACKING_MS, RunningPeriod(window, TIMER_TRACK));
    EndByTheIconGoing();
    EXPECT_EQ(0, desktop->OutstandingReferences());
}
