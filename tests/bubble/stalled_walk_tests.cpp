// A tracking tick whose walk waits on a shell in another process that takes
// 1.5 s to answer each name question. While the walk waits, another thread
// sends the bubble a second tracking tick; COM's wait delivers messages sent
// from other threads, so it arrives inside the first. It must return at once,
// without a walk of its own, and the first tick must end once, beside the
// moved icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "app/presentation.h"
#include "bubble/bubble.h"
#include "kit/bubble_test_window.h"
#include "kit/process_support.h"
#include "kit/program_kit.h"

TEST(StalledWalk, ATickSentWhileAWalkWaitsOnTheShellReturnsAtOnce)
{
    processes::StandinProcess standin;
    ASSERT_EQ(standin.Prepare({"add marrowtune 20 100 95 170"}), "ok");
    const HWND bubble = CreateBubbleWindowForTest();
    ASSERT_NE(nullptr, bubble);
    ASSERT_TRUE(BubbleBuilt());
    ASSERT_EQ(standin.Send("move marrowtune 220 260 295 330"), "ok");
    ASSERT_EQ(standin.Send("stall 1500"), "ok");
    const int presentations = shellCounters.presentations;
    const int walksBefore = DesktopWalks();

    std::atomic<bool> nestedTickSent{false};
    std::thread sender([&] {
        // Once the walk has begun it waits 1.5 s on the first name question.
        processes::WaitFor([&] { return DesktopWalks() > walksBefore; });
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(bubble, WM_TIMER, TIMER_TRACK, 0, SMTO_NORMAL, processes::WAIT_LIMIT_MS, &ignored);
        nestedTickSent = true;
    });
    SendMessageA(bubble, WM_TIMER, TIMER_TRACK, 0);
    const int walksOfTheTick = DesktopWalks() - walksBefore;
    EXPECT_TRUE(processes::WaitFor([&] { return nestedTickSent.load(); }));
    sender.join();

    EXPECT_EQ(1, walksOfTheTick) << "the tick sent during the walk walked the desktop too";
    EXPECT_EQ(1, DesktopWalks() - walksBefore) << "the sent tick arrived after the walk, and walked";
    EXPECT_EQ(0, bubbleState.trackingTick);
    EXPECT_EQ(presentations + 1, shellCounters.presentations);
    EXPECT_EQ(XY(285, 260), PlacedAt());
    ASSERT_EQ(standin.Send("stall 0"), "ok");
}
