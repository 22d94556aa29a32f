// A tracking tick whose walk waits on a shell in another process that takes
// 1.5 s to answer each name question. The bubble lives in this test process,
// so the test can see which messages its thread dispatches during the wait.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>

#include "bubble/bubble.h"
#include "tests/support/bubble_test_window.h"
#include "tests/support/process_support.h"

namespace {

constexpr UINT SHORT_PERIOD_MS = 10;
constexpr UINT_PTR WATCH_TIMER = 1;
constexpr const char* WATCH_CLASS = "StalledWalkWatch";

int watchTicks = 0;

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == WATCH_TIMER) ++watchTicks;
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(StalledWalk, ATickWaitingOnTheShellEndsOnceAndFollowsTheIcon)
{
    processes::StandinProcess standin;
    ASSERT_TRUE(standin.Started());
    ASSERT_EQ(standin.ReadLine(), "ready");
    ASSERT_EQ(standin.Send("add marrowtune 20 100 95 170"), "ok");
    const HWND bubble = CreateBubbleWindowForTest();
    ASSERT_NE(nullptr, bubble);
    ASSERT_TRUE(BubbleBuilt());

    WNDCLASSA watchClass = {};
    watchClass.lpfnWndProc = WatchProc;
    watchClass.hInstance = GetModuleHandleA(nullptr);
    watchClass.lpszClassName = WATCH_CLASS;
    RegisterClassA(&watchClass);
    const HWND watch = CreateWindowExA(0, WATCH_CLASS, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, watch);

    ASSERT_EQ(standin.Send("move marrowtune 220 260 295 330"), "ok");
    ASSERT_EQ(standin.Send("stall 1500"), "ok");
    // Timer messages fall due all through the walk: the watch window's, and
    // the bubble's own tracking tick.
    SetTimer(watch, WATCH_TIMER, SHORT_PERIOD_MS, nullptr);
    SetTimer(bubble, TIMER_TRACK, SHORT_PERIOD_MS, nullptr);
    const int presentations = shellCounters.presentations;

    SendMessageA(bubble, WM_TIMER, TIMER_TRACK, 0);

    KillTimer(bubble, TIMER_TRACK);
    KillTimer(watch, WATCH_TIMER);
    // What the platform did while the walk waited: reported, not judged;
    // either way the tick must end once, beside the moved icon.
    std::cout << "timer messages dispatched during the stalled walk: " << watchTicks << std::endl;
    RecordProperty("TimerMessagesDuringStalledWalk", watchTicks);
    EXPECT_EQ(0, bubbleState.trackingTick);
    EXPECT_EQ(presentations + 1, shellCounters.presentations);
    EXPECT_EQ(285, bubbleState.lastPlacedX);
    EXPECT_EQ(260, bubbleState.lastPlacedY);
    ASSERT_EQ(standin.Send("stall 0"), "ok");
    DestroyWindow(watch);
}
