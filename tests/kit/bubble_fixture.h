// A stand-in desktop with the "marrowtune" icon and the real bubble window
// created beside it, in the test process. Timers are never pumped: ticks are
// driven by sending WM_TIMER, so every test is deterministic.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "app/app.h"
#include "app/presentation.h"
#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "kit/standin_desktop.h"
#include "kit/bubble_test_window.h"
#include "kit/button_input.h"
#include "kit/program_kit.h"

// The latest presentation reached the window: UpdateLayeredWindow took it.
inline testing::AssertionResult LastPresentationShown()
{
    if (shellCounters.presentations == 0) return testing::AssertionFailure() << "nothing was presented";
    if (shellCounters.lastResult) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "UpdateLayeredWindow refused the presentation (error "
                                       << shellCounters.lastError << ")";
}

// The canvas holds the picture of the bubble's side: at 96 DPI column 6 lies
// on the body of the left-side picture only (x 4..193), column 198 on the
// body of the right-side one only (x 11..200); at other scales, their scaled
// places.
inline void ExpectCanvasOfSide(bool onRight, UINT dpi = STANDARD_DPI)
{
    const int row = Scaled(40, dpi);
    EXPECT_EQ(!onRight, AlphaOf(CanvasPixel(Scaled(6, dpi), row)) == ALPHA_OPAQUE) << "column 6 of the canvas";
    EXPECT_EQ(onRight, AlphaOf(CanvasPixel(Scaled(198, dpi), row)) == ALPHA_OPAQUE) << "column 198 of the canvas";
}

class BubbleTest : public testing::Test {
protected:
    static constexpr RECT TYPICAL_ICON = {20, 100, 95, 170};
    static constexpr int MAX_FADE_IN_TICKS = 20;
    static constexpr int MAX_FADE_OUT_TICKS = 20;
    static constexpr int NO_QUIT = -1;
    // The periods the bubble's timers must run with, written out here rather
    // than taken from the program's constants, so that a changed one shows.
    static constexpr UINT TRACKING_MS = 700;
    static constexpr UINT CLICK_FADE_OUT_MS = 50;
    static constexpr UINT VANISH_FADE_OUT_MS = 70;
    static constexpr UINT GROW_MS = 10;
    static constexpr UINT FADE_IN_MS = 50;

    // Creates the desktop with the icon at `icon` and the bubble beside it.
    void StartWithIcon(const RECT& icon, standin::Layout layout = standin::Layout::Progman)
    {
        desktop = std::make_unique<standin::Desktop>(layout);
        iconIndex = desktop->Add(standin::MakeItem(std::string("marrowtune"), icon));
        window = CreateBubbleWindowForTest();
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(BubbleBuilt()) << "the icon should have been found";
    }

    void MoveIcon(const RECT& icon)
    {
        standin::Item& item = desktop->At(iconIndex);
        item.left = icon.left;
        item.top = icon.top;
        item.width = icon.right - icon.left;
        item.height = icon.bottom - icon.top;
        desktop->Update();
    }

    void RemoveIcon() { desktop->Remove(iconIndex); }

    void Tick(UINT_PTR timerId) { SendMessageA(window, WM_TIMER, timerId, 0); }

    // The bubble's SetTimer and KillTimer calls since the last look.
    TimerCalls NewTimerCalls() { return TakeTimerCalls(window); }

    // Fade-in ticks until the bubble is opaque; far fewer than the bound.
    void FadeInFully()
    {
        for (int tick = 0; tick < MAX_FADE_IN_TICKS && bubbleState.alpha < ALPHA_OPAQUE; ++tick) Tick(TIMER_FADE_IN);
        EXPECT_EQ(ALPHA_OPAQUE, bubbleState.alpha);
    }

    // Fade-out ticks until the quit message (nine of them after a full
    // fade-out); its exit code, or NO_QUIT when none came within the bound.
    int FadeOutUntilQuit()
    {
        int exitCode = NO_QUIT;
        for (int tick = 0; tick < MAX_FADE_OUT_TICKS; ++tick) {
            Tick(TIMER_FADE_OUT);
            if (TakeQuitMessage(&exitCode)) return exitCode;
        }
        return NO_QUIT;
    }

    // An icon whose right edge leaves exactly `room` pixels beyond the
    // bubble's right edge on the right side (negative: no room).
    static RECT IconWithRoom(int room, LONG top = 200)
    {
        const LONG right = GetSystemMetrics(SM_CXFULLSCREEN) - LEFT_SIDE_OFFSET - room;
        return {right - 75, top, right, top + 70};
    }

    std::unique_ptr<standin::Desktop> desktop;
    size_t iconIndex = 0;
    HWND window = nullptr;
};
