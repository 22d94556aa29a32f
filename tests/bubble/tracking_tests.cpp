// Following the icon: moves, side switches and the icon's disappearance.
#include "kit/bubble_fixture.h"
#include "kit/gui_objects.h"

TEST_F(BubbleTest, AnUnchangedIconChangesNothing)
{
    StartWithIcon(TYPICAL_ICON);
    const int presentations = shellCounters.presentations;
    NewTimerCalls();

    Tick(TIMER_TRACK);

    EXPECT_EQ(presentations, shellCounters.presentations);
    EXPECT_EQ(1, bubbleState.bubbleOnRight);
    EXPECT_EQ(85, bubbleState.lastPlacedX);
    EXPECT_EQ(TimerCalls{}, NewTimerCalls());
}

TEST_F(BubbleTest, AMovedIconTakesTheBubbleAlongAndRegrowsIt)
{
    StartWithIcon(TYPICAL_ICON);
    const RECT buttonBefore = bubbleState.dismissButton->rect;
    const int presentations = shellCounters.presentations;
    NewTimerCalls();

    MoveIcon({220, 260, 295, 330});
    Tick(TIMER_TRACK);

    EXPECT_EQ(TimerCalls{Armed(TIMER_GROW, GROW_MS)}, NewTimerCalls());
    EXPECT_EQ(presentations + 1, shellCounters.presentations);
    EXPECT_EQ(XY(0, 0), PresentedSize());
    // UpdateLayeredWindow refuses a 0 x 0 size, as on Windows: the window
    // stays where it was, with its old picture, until the grow's first tick.
    EXPECT_FALSE(shellCounters.lastResult);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), shellCounters.lastError);
    EXPECT_EQ(XY(285, 260), PresentedAt());
    EXPECT_EQ(XY(285, 260), PlacedAt());
    EXPECT_TRUE(EqualRect(&buttonBefore, &bubbleState.dismissButton->rect));

    Tick(TIMER_GROW);
    EXPECT_EQ(20, shellCounters.lastSize.cx);
    EXPECT_TRUE(LastPresentationShown());
    RECT bounds = {};
    GetWindowRect(window, &bounds);
    EXPECT_EQ(XY(285, 260), XY(bounds.left, bounds.top));
}

TEST_F(BubbleTest, NoRoomOnTheRightSwitchesSidesAndBack)
{
    StartWithIcon(TYPICAL_ICON);
    const HDC oldCanvas = bubbleState.canvasDC;
    const HBITMAP oldBitmap = bubbleState.canvasBitmap;
    const RECT farIcon = IconWithRoom(-1, 300);

    MoveIcon(farIcon);
    Tick(TIMER_TRACK);

    EXPECT_EQ(0, bubbleState.bubbleOnRight);
    EXPECT_TRUE(EqualRect(&bubbleState.dismissButton->rect, &DISMISS_RECT_LEFT_SIDE));
    EXPECT_EQ(XY(farIcon.left - LEFT_SIDE_OFFSET, 300), PresentedAt());
    // The old canvas is gone and the new one holds the left-side picture.
    EXPECT_EQ(0u, GetObjectType(oldCanvas));
    EXPECT_EQ(0u, GetObjectType(oldBitmap));
    ExpectCanvasOfSide(false);
    EXPECT_EQ(bubbleState.canvasDC, bubbleState.buttonHost->targetDC) << "the host names a deleted DC";
    EXPECT_EQ(bubbleState.canvasDC, bubbleState.dismissButton->targetDC);
    Tick(TIMER_GROW);
    EXPECT_TRUE(LastPresentationShown()) << "the new canvas reaches the window";

    MoveIcon(IconWithRoom(0, 300));
    Tick(TIMER_TRACK);
    EXPECT_EQ(1, bubbleState.bubbleOnRight);
    EXPECT_TRUE(EqualRect(&bubbleState.dismissButton->rect, &DISMISS_RECT_RIGHT_SIDE));
    ExpectCanvasOfSide(true);
}

TEST_F(BubbleTest, ASideSwitchAtTheSamePlaceRebuildsTheCanvasButPresentsNothing)
{
    // The left-side place of the new icon equals the right-side place of the
    // old one, so only the side changes.
    const RECT first = TYPICAL_ICON;                                   // bubble at (85, 100)
    StartWithIcon(first);
    const int presentations = shellCounters.presentations;
    const HDC oldCanvas = bubbleState.canvasDC;

    // An icon whose left side place is x = 85 needs left = 282; its right edge
    // must leave no room on the right.
    const LONG right = GetSystemMetrics(SM_CXFULLSCREEN);
    MoveIcon({85 + LEFT_SIDE_OFFSET, 100, right, 170});
    NewTimerCalls();
    Tick(TIMER_TRACK);

    EXPECT_EQ(0, bubbleState.bubbleOnRight);
    EXPECT_NE(oldCanvas, bubbleState.canvasDC);
    EXPECT_TRUE(EqualRect(&bubbleState.dismissButton->rect, &DISMISS_RECT_LEFT_SIDE));
    EXPECT_EQ(presentations, shellCounters.presentations);
    EXPECT_EQ(TimerCalls{}, NewTimerCalls()) << "no grow at the same place";
}

TEST_F(BubbleTest, ManySideSwitchesLeakNoGdiOrUserObjects)
{
    StartWithIcon(TYPICAL_ICON);
    const RECT nearIcon = TYPICAL_ICON;
    const RECT farIcon = IconWithRoom(-30, 100);
    // Each switch moves the bubble (a 0 x 0 presentation, which the platform
    // refuses) and shows its new canvas with a grow tick.
    int switches = 0;
    const auto switchTo = [&](const RECT& icon) {
        MoveIcon(icon);
        Tick(TIMER_TRACK);
        Tick(TIMER_GROW);
        EXPECT_TRUE(LastPresentationShown());
        ++switches;
    };
    switchTo(farIcon);
    switchTo(nearIcon);
    const long gdiBefore = guiobjects::CountGdiObjects();
    const long userBefore = guiobjects::CountUserObjects();
    ASSERT_GT(gdiBefore, 0) << "the count sees the canvas and the button's surface";
    ASSERT_GT(userBefore, 0) << "the count sees the bubble window";

    for (int i = 0; i < 100; ++i) {
        switchTo(farIcon);
        switchTo(nearIcon);
    }
    EXPECT_EQ(gdiBefore, guiobjects::CountGdiObjects());
    EXPECT_EQ(userBefore, guiobjects::CountUserObjects());
    EXPECT_EQ(switches, shellCounters.failedPresentations) << "only the 0 x 0 presentations were refused";
    EXPECT_EQ(1, bubbleState.bubbleOnRight);
    EXPECT_TRUE(EqualRect(&bubbleState.dismissButton->rect, &DISMISS_RECT_RIGHT_SIDE));
}

TEST_F(BubbleTest, AVanishedIconStartsASlowFadeOut)
{
    StartWithIcon(IconWithRoom(-20));
    EXPECT_EQ(0, bubbleState.bubbleOnRight);
    const HDC canvas = bubbleState.canvasDC;
    const RECT button = bubbleState.dismissButton->rect;
    Tick(TIMER_FADE_IN);

    NewTimerCalls();
    RemoveIcon();
    Tick(TIMER_TRACK);

    EXPECT_EQ(1, bubbleState.dismissing);
    EXPECT_EQ(ALPHA_OPAQUE, bubbleState.alpha);
    EXPECT_EQ((TimerCalls{Killed(TIMER_TRACK), Armed(TIMER_FADE_OUT, VANISH_FADE_OUT_MS)}), NewTimerCalls());
    // The all-zero rectangle of the failed search counts as the right side,
    // but the picture and the button stay as they were.
    EXPECT_EQ(1, bubbleState.bubbleOnRight);
    EXPECT_EQ(canvas, bubbleState.canvasDC);
    EXPECT_TRUE(EqualRect(&button, &bubbleState.dismissButton->rect));
}

TEST_F(BubbleTest, AVanishedIconDuringTheFadeOutTouchesNoTimer)
{
    StartWithIcon(TYPICAL_ICON);
    BeginFadeOut(window, FADE_OUT_CLICK_PERIOD_MS);
    Tick(TIMER_FADE_OUT);
    const int alpha = bubbleState.alpha;
    const int presentations = shellCounters.presentations;
    NewTimerCalls();

    RemoveIcon();
    Tick(TIMER_TRACK);

    EXPECT_EQ(alpha, bubbleState.alpha);
    EXPECT_EQ(presentations, shellCounters.presentations);
    EXPECT_EQ(TimerCalls{}, NewTimerCalls());
}

TEST_F(BubbleTest, AHiddenDesktopCountsAsAVanishedIcon)
{
    StartWithIcon(TYPICAL_ICON);
    desktop->SetListViewVisible(false);
    Tick(TIMER_TRACK);
    EXPECT_EQ(1, bubbleState.dismissing);
}

TEST_F(BubbleTest, ATickThatArrivesWhileATickWaitsOnTheShellReturnsAtOnce)
{
    // COM's modal loop may dispatch messages while a walk waits for the
    // shell's answer; here the shell itself delivers the nested tick.
    StartWithIcon(TYPICAL_ICON);
    int namesAsked = 0;
    int namesAskedByNestedTick = -1;
    desktop->SetBeforeNameHook([&] {
        if (++namesAsked != 1) return;
        Tick(TIMER_TRACK);
        namesAskedByNestedTick = namesAsked - 1;
    });
    MoveIcon({220, 260, 295, 330});
    const int presentations = shellCounters.presentations;

    Tick(TIMER_TRACK);

    EXPECT_EQ(0, namesAskedByNestedTick) << "the nested tick walked the desktop again";
    EXPECT_EQ(presentations + 1, shellCounters.presentations);
    EXPECT_EQ(285, bubbleState.lastPlacedX);
    EXPECT_EQ(0, bubbleState.trackingTick);

    // The guard is released: the next tick walks again.
    desktop->SetBeforeNameHook(nullptr);
    MoveIcon({320, 260, 395, 330});
    Tick(TIMER_TRACK);
    EXPECT_EQ(385, bubbleState.lastPlacedX);
}

TEST_F(BubbleTest, TheIconsMonitorDecidesTheSideAndItsScaleTheBubblesSize)
{
    // The primary monitor at 100 %, a second one to its right at 150 %.
    const RECT primary = {0, 0, 800, 600};
    const RECT second = {800, 0, 1824, 768};
    SimulateMonitors({{primary, primary, 96}, {second, second, 144}});
    StartWithIcon(TYPICAL_ICON);
    EXPECT_EQ(96u, bubbleState.dpi);
    const long gdiObjects = guiobjects::CountGdiObjects();

    // The bubble drawn at the monitor's scale, whole after eleven grow steps
    // of 30 x 11, on the right: near that monitor's left edge there is room.
    const auto expectScale = [&](UINT dpi, LONG width, LONG height, const RECT& button) {
        EXPECT_EQ(dpi, bubbleState.dpi);
        const testpictures::DibPixels canvas(bubbleState.canvasBitmap);
        EXPECT_EQ(XY(width, height), XY(canvas.width, canvas.height));
        EXPECT_EQ(static_cast<UINT>(width), bubbleState.bubbleImageRight->GetWidth());
        EXPECT_EQ(static_cast<UINT>(button.right - button.left), bubbleState.buttonImageHover->GetWidth());
        EXPECT_TRUE(EqualRect(&button, &bubbleState.dismissButton->rect));
        EXPECT_EQ(button.right - button.left, bubbleState.dismissButton->surface->width);
        EXPECT_EQ(button.bottom - button.top, bubbleState.dismissButton->surface->height);
    };
    MoveIcon({810, 100, 885, 170});
    Tick(TIMER_TRACK);
    expectScale(144, 311, 113, {188, 53, 287, 89});
    EXPECT_EQ(1, bubbleState.bubbleOnRight);
    EXPECT_EQ(870, shellCounters.lastPoint.x);
    std::vector<SIZE> grow;
    for (int tick = 0; tick < 11; ++tick) {
        Tick(TIMER_GROW);
        grow.push_back(shellCounters.lastSize);
    }
    EXPECT_EQ(XY(30, 11), XY(grow[0].cx, grow[0].cy));
    EXPECT_EQ(300, grow[9].cx);
    EXPECT_EQ(XY(311, 113), XY(grow[10].cx, grow[10].cy));
    EXPECT_EQ(0, bubbleState.growWidth) << "the grow ended on its eleventh tick";
    EXPECT_TRUE(LastPresentationShown());

    // The user sets that monitor to 200 %: the next tick makes the bubble
    // again at 414 x 150, 20 pixels into the icon, and grows it there.
    SimulateMonitors({{primary, primary, 96}, {second, second, 192}});
    NewTimerCalls();
    Tick(TIMER_TRACK);
    expectScale(192, 414, 150, {250, 70, 382, 118});
    EXPECT_EQ(865, shellCounters.lastPoint.x);
    EXPECT_EQ(TimerCalls{Armed(TIMER_GROW, GROW_MS)}, NewTimerCalls());

    // At that monitor's right edge: the left side, 394 pixels to the left.
    MoveIcon({1740, 100, 1815, 170});
    Tick(TIMER_TRACK);
    EXPECT_EQ(0, bubbleState.bubbleOnRight);
    EXPECT_EQ(1740 - 394, shellCounters.lastPoint.x);
    expectScale(192, 414, 150, {232, 70, 364, 118});
    ExpectCanvasOfSide(false, 192);

    // Back on the primary monitor: 100 % again, and nothing left behind
    // (Wine 10 lets go of objects of its own on the way: never more).
    MoveIcon(TYPICAL_ICON);
    Tick(TIMER_TRACK);
    expectScale(96, 207, 75, DISMISS_RECT_RIGHT_SIDE);
    EXPECT_EQ(85, shellCounters.lastPoint.x);
    EXPECT_LE(guiobjects::CountGdiObjects(), gdiObjects);

    // A taskbar docked on the primary's right: the bubble must fit its work
    // area, not the monitor.
    SimulateMonitors({{primary, {0, 0, 760, 600}, 96}, {second, second, 144}});
    MoveIcon({528, 40, 603, 110});
    Tick(TIMER_TRACK);
    EXPECT_EQ(0, bubbleState.bubbleOnRight);
    EXPECT_EQ(528 - LEFT_SIDE_OFFSET, shellCounters.lastPoint.x);
}
