// The bubble built beside the icon: state, window, canvas and z-order.
#include "kit/bubble_fixture.h"

#include "res/resource.h"
#include "kit/test_pictures.h"

using testpictures::PicturePixel;
using testpictures::PixelNear;

namespace {

constexpr int PICTURE_TOLERANCE = 2;

// Counts changes of the extended style on a window of the bubble's procedure.
int styleChanges = 0;
LRESULT CALLBACK CountingBubbleWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_STYLECHANGED && wParam == static_cast<WPARAM>(GWL_EXSTYLE)) ++styleChanges;
    return BubbleWindow(window, message, wParam, lParam);
}

// Registers a window class of the test's own and creates a window of it at (x, y).
HWND CreateWindowOfClass(const char* className, WNDPROC procedure, DWORD exStyle, DWORD style,
                         const char* title, int x, int y, int width, int height)
{
    standin::RegisterWindowClass(className, procedure);
    return CreateWindowExA(exStyle, className, title, style, x, y, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND CreateCountingBubble(DWORD exStyle)
{
    return CreateWindowOfClass("CountingBubble", CountingBubbleWindow, exStyle, WS_POPUP, BUBBLE_WINDOW_TITLE, 0, 0,
                               BUBBLE_WIDTH, BUBBLE_HEIGHT);
}

// True when `lower` comes after `upper` in the z-order of top-level windows.
bool Below(HWND lower, HWND upper)
{
    for (HWND next = GetWindow(upper, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
        if (next == lower) return true;
    }
    return false;
}

HWND CreateApplicationWindow()
{
    const HWND application = CreateWindowOfClass("ApplicationWindow", DefWindowProcA, 0, WS_OVERLAPPEDWINDOW,
                                                 "Application", 40, 60, 400, 300);
    ShowWindow(application, SW_SHOW);
    return application;
}

}  // namespace

TEST_F(BubbleTest, OnTheRightTheBubbleStandsTenPixelsIntoTheIcon)
{
    StartWithIcon(TYPICAL_ICON);

    EXPECT_EQ(1, bubbleState.bubbleOnRight);
    EXPECT_EQ(XY(85, 100), WindowAt());
    EXPECT_EQ(XY(85, 100), PlacedAt());
    EXPECT_TRUE(CoversBubbleAt(window, 85, 100));
    EXPECT_TRUE(IsWindowVisible(window));

    const RECT button = bubbleState.dismissButton->rect;
    EXPECT_TRUE(EqualRect(&button, &DISMISS_RECT_RIGHT_SIDE));
    EXPECT_EQ(ID_DISMISS_BUTTON, bubbleState.dismissButton->commandId);
    EXPECT_EQ(DISMISS_BADGE_ORIGIN.x, bubbleState.dismissButton->badgeOrigin.x);
    EXPECT_EQ(DISMISS_BADGE_ORIGIN.y, bubbleState.dismissButton->badgeOrigin.y);
    EXPECT_EQ(Normal, bubbleState.dismissButton->state);
    EXPECT_EQ(nullptr, bubbleState.dismissButton->images[OVERLAY_SLOT]);
    EXPECT_EQ(bubbleState.canvasDC, bubbleState.buttonHost->targetDC);
    ASSERT_NE(nullptr, bubbleState.buttonHost->lastNode);
    EXPECT_EQ(bubbleState.dismissButton, bubbleState.buttonHost->lastNode->button);
}

TEST_F(BubbleTest, WithoutRoomOnTheRightTheBubbleGoesLeftWithItsOwnPictureAndButtonPlace)
{
    const RECT icon = IconWithRoom(-1);
    StartWithIcon(icon);

    EXPECT_EQ(0, bubbleState.bubbleOnRight);
    EXPECT_EQ(XY(icon.left - LEFT_SIDE_OFFSET, icon.top), WindowAt());
    const RECT button = bubbleState.dismissButton->rect;
    EXPECT_TRUE(EqualRect(&button, &DISMISS_RECT_LEFT_SIDE));
    ExpectCanvasOfSide(false);
    const DWORD leftPicture = PicturePixel(bubbleState.bubbleImageLeft, 198, 40);
    EXPECT_EQ(AlphaOf(leftPicture), AlphaOf(CanvasPixel(198, 40)));
    EXPECT_EQ(255, AlphaOf(CanvasPixel(DISMISS_RECT_LEFT_SIDE.left, DISMISS_RECT_LEFT_SIDE.top)));
}

TEST_F(BubbleTest, ExactlyEnoughRoomKeepsTheRightSide)
{
    StartWithIcon(IconWithRoom(0));
    EXPECT_EQ(1, bubbleState.bubbleOnRight);
    EXPECT_EQ(IconWithRoom(0).right - RIGHT_SIDE_OVERLAP, bubbleState.windowX);
}

TEST_F(BubbleTest, CreationLoadsThePicturesStartsTimersAndPresentsOnceTransparent)
{
    StartWithIcon(TYPICAL_ICON);

    for (PngImage* image : {bubbleState.bubbleImageRight, bubbleState.bubbleImageLeft,
                            bubbleState.buttonImageNormal, bubbleState.buttonImageHover,
                            bubbleState.buttonImagePressed}) {
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(Gdiplus::Ok, image->lastStatus);
    }

    EXPECT_EQ(1, shellCounters.presentations);
    EXPECT_TRUE(LastPresentationShown());
    EXPECT_EQ(0, shellCounters.lastAlpha);
    // Sizes are written out here: a changed size constant must show.
    EXPECT_EQ(XY(207, 75), PresentedSize());
    EXPECT_EQ(0, bubbleState.alpha);
    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(0, bubbleState.pressStarted);
    EXPECT_EQ(0, gdiplusShutdowns);
    EXPECT_FALSE(TakeQuitMessage());

    EXPECT_EQ((TimerCalls{Armed(TIMER_TRACK, TRACKING_MS), Armed(TIMER_FADE_IN, FADE_IN_MS)}), NewTimerCalls());
}

TEST_F(BubbleTest, TheCanvasHoldsThePictureOfTheSideWithTheNormalButtonOnIt)
{
    StartWithIcon(TYPICAL_ICON);

    // Transparent around the bubble, opaque in its body.
    EXPECT_EQ(0, AlphaOf(CanvasPixel(0, 0)));
    EXPECT_EQ(0, AlphaOf(CanvasPixel(BUBBLE_WIDTH - 1, BUBBLE_HEIGHT - 1)));
    EXPECT_EQ(255, AlphaOf(CanvasPixel(100, 8)));
    // The canvas is the right-side picture, premultiplied (where it is opaque,
    // the same pixel).
    EXPECT_TRUE(PixelNear(CanvasPixel(100, 8), PicturePixel(bubbleState.bubbleImageRight, 100, 8), PICTURE_TOLERANCE));

    // The button's Normal picture, opaque, at its rectangle.
    const RECT button = DISMISS_RECT_RIGHT_SIDE;
    for (const POINT at : {POINT{2, 2}, POINT{33, 20}, POINT{65, 23}, POINT{0, 0}}) {
        const DWORD expected = PicturePixel(bubbleState.buttonImageNormal, at.x, at.y);
        const DWORD actual = CanvasPixel(button.left + at.x, button.top + at.y);
        EXPECT_EQ(255, AlphaOf(actual));
        EXPECT_TRUE(PixelNear(actual, expected, PICTURE_TOLERANCE)) << "at " << at.x << "," << at.y;
    }
}

TEST_F(BubbleTest, OnEitherSideTheButtonLiesOnTheBodyOfThatSidesPicture)
{
    StartWithIcon(TYPICAL_ICON);
    for (const bool onRight : {true, false}) {
        if (!onRight) {
            MoveIcon(IconWithRoom(-40));
            Tick(TIMER_TRACK);
        }
        ASSERT_EQ(onRight, bubbleState.bubbleOnRight == 1);
        PngImage* picture = onRight ? bubbleState.bubbleImageRight : bubbleState.bubbleImageLeft;
        const RECT r = bubbleState.dismissButton->rect;
        for (const POINT corner : {POINT{r.left, r.top}, POINT{r.right - 1, r.top}, POINT{r.left, r.bottom - 1},
                                   POINT{r.right - 1, r.bottom - 1}}) {
            EXPECT_EQ(255, AlphaOf(PicturePixel(picture, corner.x, corner.y)))
                << (onRight ? "right" : "left") << " side, corner " << corner.x << "," << corner.y;
        }
    }
}

TEST(BubbleCreation, LayeredStyleIsWrittenOnlyWhenMissing)
{
    standin::Desktop desktop;
    desktop.Add(standin::MakeItem(std::string("marrowtune"), {20, 100, 95, 170}));

    styleChanges = 0;
    const HWND already = CreateCountingBubble(WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE);
    ASSERT_NE(nullptr, already);
    EXPECT_EQ(0, styleChanges);

    styleChanges = 0;
    const HWND plain = CreateCountingBubble(WS_EX_TOOLWINDOW);
    ASSERT_NE(nullptr, plain);
    EXPECT_EQ(1, styleChanges);
    EXPECT_TRUE(GetWindowLongA(plain, GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(BubbleTest, PaintRequestsPresentTheFullBubbleAtTheCurrentAlpha)
{
    StartWithIcon(TYPICAL_ICON);
    bubbleState.alpha = 120;
    const int before = shellCounters.presentations;

    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);

    EXPECT_EQ(before + 1, shellCounters.presentations);
    EXPECT_TRUE(LastPresentationShown());
    EXPECT_EQ(120, shellCounters.lastAlpha);
    EXPECT_EQ(XY(207, 75), PresentedSize());
    EXPECT_EQ(XY(85, 100), PresentedAt());
    RECT update = {};
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE)) << "the paint request was validated";
}

TEST_F(BubbleTest, PresentationsAndActivationChangesSendTheBubbleBelowApplications)
{
    StartWithIcon(TYPICAL_ICON);
    const HWND application = CreateApplicationWindow();
    ASSERT_NE(nullptr, application);

    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(Below(application, window));
    Tick(TIMER_FADE_IN);
    ASSERT_TRUE(LastPresentationShown());
    EXPECT_TRUE(Below(window, application)) << "after a presentation";

    for (const WPARAM state : {WA_ACTIVE, WA_CLICKACTIVE, WA_INACTIVE}) {
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SendMessageA(window, WM_ACTIVATE, state, 0);
        EXPECT_TRUE(Below(window, application)) << "after WM_ACTIVATE " << state;
    }
}

TEST_F(BubbleTest, InARaisedDesktopTheBubbleStandsDirectlyAboveTheIconsNotUnderTheWallpaper)
{
    StartWithIcon(TYPICAL_ICON, standin::Layout::Raised);
    const HWND icons = desktop->TopLevel();
    const HWND wallpaper = desktop->Wallpaper();
    ASSERT_TRUE(Below(wallpaper, icons));
    const HWND application = CreateApplicationWindow();
    ASSERT_NE(nullptr, application);
    const auto directlyAboveTheIcons = [&] { return GetWindow(window, GW_HWNDNEXT) == icons; };

    EXPECT_TRUE(directlyAboveTheIcons()) << "after creation";
    SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Tick(TIMER_FADE_IN);
    EXPECT_TRUE(directlyAboveTheIcons()) << "after a presentation from the bottom";
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(directlyAboveTheIcons()) << "after WM_ACTIVATE from the top";
    EXPECT_TRUE(Below(window, application));
    EXPECT_TRUE(Below(wallpaper, window));
}

TEST_F(BubbleTest, CreationPutsTheBubbleBelowAnApplicationAlreadyShown)
{
    const HWND application = CreateApplicationWindow();
    ASSERT_NE(nullptr, application);
    StartWithIcon(TYPICAL_ICON);
    EXPECT_TRUE(Below(window, application)) << "before any presentation";
}

TEST_F(BubbleTest, PresentingNeverTakesTheFocusFromTheApplication)
{
    StartWithIcon(TYPICAL_ICON);
    const HWND application = CreateApplicationWindow();
    SetForegroundWindow(application);
    SetActiveWindow(application);
    ASSERT_EQ(application, GetActiveWindow());

    for (int tick = 0; tick < 9; ++tick) Tick(TIMER_FADE_IN);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);

    EXPECT_EQ(application, GetActiveWindow());
    EXPECT_TRUE(Below(window, application));
}
