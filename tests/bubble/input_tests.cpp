// Mouse input on the bubble: the dismiss button's look and the click that
// ends the bubble.
#include "kit/bubble_fixture.h"

namespace {

LPARAM At(LONG x, LONG y) { return MAKELPARAM(x, y); }

// A point on the bubble's body outside the dismiss button.
const LPARAM ON_BODY = MAKELPARAM(60, 20);

}  // namespace

class BubbleInputTest : public BubbleTest {
protected:
    void SetUp() override
    {
        StartWithIcon(TYPICAL_ICON);
        NewTimerCalls();
    }

    void Move(LPARAM point) { SendMessageA(window, WM_MOUSEMOVE, 0, point); }
    void Press(LPARAM point) { SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, point); }
    void Release(LPARAM point) { SendMessageA(window, WM_LBUTTONUP, 0, point); }
    int ButtonState() const { return bubbleState.dismissButton->state; }
    // The click's fade-out began: tracking stopped, then the fade-out started.
    bool FadeOutBegun() { return NewTimerCalls() == TimerCalls{Killed(TIMER_TRACK), Armed(TIMER_FADE_OUT, CLICK_FADE_OUT_MS)}; }
    bool NoTimerTouched() { return NewTimerCalls().empty(); }
};

TEST_F(BubbleInputTest, ACompleteClickOnTheButtonStartsTheFadeOut)
{
    Move(ON_BUTTON);
    EXPECT_EQ(Hover, ButtonState());
    Press(ON_BUTTON);
    EXPECT_EQ(Pressed, ButtonState());
    EXPECT_EQ(1, bubbleState.pressStarted);
    EXPECT_TRUE(NoTimerTouched());
    Release(ON_BUTTON);

    EXPECT_EQ(Hover, ButtonState());
    EXPECT_EQ(1, bubbleState.dismissing);
    EXPECT_EQ(ALPHA_OPAQUE, bubbleState.alpha) << "from full opacity, even during the fade-in";
    EXPECT_TRUE(FadeOutBegun()) << "the fade-in is left to run";
}

TEST_F(BubbleInputTest, APressOutsideTheButtonIsNotForwardedAndStartsNothing)
{
    Move(ON_BUTTON);
    Press(ON_BODY);
    EXPECT_EQ(Hover, ButtonState()) << "the host never saw the press";
    EXPECT_EQ(0, bubbleState.pressStarted);
    // A release on the button without a press begun there does nothing.
    Release(ON_BUTTON);
    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(Hover, ButtonState());
    EXPECT_TRUE(NoTimerTouched());
}

TEST_F(BubbleInputTest, PressInsideMoveOutReleaseOutsideKeepsTheBubble)
{
    Move(ON_BUTTON);
    Press(ON_BUTTON);
    Move(ON_BODY);
    EXPECT_EQ(Normal, ButtonState());
    Release(ON_BODY);
    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(1, bubbleState.pressStarted) << "nothing clears it";

    // A later release on the button, its press elsewhere, still dismisses.
    Move(ON_BUTTON);
    Press(ON_BODY);
    Release(ON_BUTTON);
    EXPECT_EQ(1, bubbleState.dismissing);
}

TEST_F(BubbleInputTest, TheDismissAreaExcludesTheRightColumnAndBottomRow)
{
    const RECT r = DISMISS_RECT_RIGHT_SIDE;
    Move(At(r.left, r.top));
    Press(At(r.right, r.top));  // just outside
    EXPECT_EQ(0, bubbleState.pressStarted);
    Press(At(r.left, r.bottom));  // just outside
    EXPECT_EQ(0, bubbleState.pressStarted);
    Press(At(r.right - 1, r.bottom - 1));
    EXPECT_EQ(1, bubbleState.pressStarted);
    Release(At(r.right, r.bottom - 1));
    EXPECT_EQ(0, bubbleState.dismissing);
    Release(At(r.right - 1, r.bottom - 1));
    EXPECT_EQ(1, bubbleState.dismissing);
}

TEST_F(BubbleInputTest, TheDismissAreaFollowsTheButtonToTheLeftSide)
{
    MoveIcon(IconWithRoom(-10, 100));
    Tick(TIMER_TRACK);
    ASSERT_EQ(0, bubbleState.bubbleOnRight);
    const RECT r = DISMISS_RECT_LEFT_SIDE;

    Move(At(r.right, 40));
    Press(At(r.right, 40));  // x 182 is inside on the right side, outside here
    EXPECT_EQ(0, bubbleState.pressStarted);
    SendClick(window, At(r.left, 40));
    EXPECT_EQ(1, bubbleState.dismissing);
}

TEST_F(BubbleInputTest, ClicksAfterTheFadeOutBeganOnlyChangeTheButtonsLook)
{
    SendClick(window, ON_BUTTON);
    Tick(TIMER_FADE_OUT);
    Tick(TIMER_FADE_OUT);
    const int alpha = bubbleState.alpha;
    NewTimerCalls();

    Press(ON_BUTTON);
    EXPECT_EQ(Pressed, ButtonState());
    Release(ON_BUTTON);
    EXPECT_EQ(Hover, ButtonState());
    EXPECT_EQ(alpha, bubbleState.alpha);
    EXPECT_TRUE(NoTimerTouched());
}

TEST_F(BubbleInputTest, ThePointerMeetsClientAreaEverywhereAndTheHostsCommandAloneEndsNothing)
{
    RECT bounds = {};
    GetWindowRect(window, &bounds);
    for (const POINT at : {POINT{bounds.left, bounds.top}, POINT{bounds.left + 150, bounds.top + 45},
                           POINT{bounds.right - 1, bounds.bottom - 1}}) {
        EXPECT_EQ(HTCLIENT, SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)))
            << "at " << at.x << "," << at.y;
    }
    // The host sends the command after its click; the click has done the work.
    SendMessageA(window, WM_COMMAND, ID_DISMISS_BUTTON, 0);
    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_TRUE(NoTimerTouched());
}

TEST_F(BubbleInputTest, SetCursorAnswersTrueAndShowsTheHostsHandFirst)
{
    const LPARAM hitTest = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    EXPECT_EQ(TRUE, SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), hitTest));
    EXPECT_EQ(Hand(), GetCursor()) << "the host's initial cursor";

    Move(ON_BODY);
    EXPECT_EQ(TRUE, SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), hitTest));
    EXPECT_EQ(Arrow(), GetCursor());
    Move(ON_BUTTON);
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), hitTest);
    EXPECT_EQ(Hand(), GetCursor());
}

TEST_F(BubbleInputTest, HoverAndPressRedrawTheButtonOnTheCanvas)
{
    Tick(TIMER_FADE_IN);
    const RECT r = DISMISS_RECT_RIGHT_SIDE;
    const DWORD normal = CanvasPixel(r.left + 33, r.top + 3);

    Move(ON_BUTTON);
    UpdateWindow(window);  // the host asked for a redraw: WM_PAINT re-presents
    const DWORD hover = CanvasPixel(r.left + 33, r.top + 3);
    Press(ON_BUTTON);
    const int presentations = shellCounters.presentations;
    UpdateWindow(window);
    EXPECT_EQ(presentations + 1, shellCounters.presentations);
    EXPECT_TRUE(LastPresentationShown());
    const DWORD pressed = CanvasPixel(r.left + 33, r.top + 3);

    EXPECT_NE(normal, hover);
    EXPECT_NE(hover, pressed);
    EXPECT_EQ(255, AlphaOf(pressed));
}
