// The bubble built from resources with unusable pictures, one executable per
// variant: "damaged" has the right-side bubble and the pressed button cut
// short; "missing" lacks the left-side bubble and the hovered button. Either
// way the bubble must show, without those pictures, and end with 0 when its
// button is clicked.
#include "kit/bubble_fixture.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "res/resource.h"

namespace {

#if defined(MARROWTUNE_DAMAGED_PICTURES)
#define BROKEN_PICTURES DamagedPictures
constexpr bool RESOURCES_PRESENT = true;
constexpr bool BROKEN_BUBBLE_ON_RIGHT = true;
constexpr int BROKEN_BUTTON_STATE = Pressed;
constexpr int BROKEN_IDS[] = {IDP_BUBBLE_RIGHT, IDP_BUTTON_PRESSED};
#elif defined(MARROWTUNE_MISSING_PICTURES)
#define BROKEN_PICTURES MissingPictures
constexpr bool RESOURCES_PRESENT = false;
constexpr bool BROKEN_BUBBLE_ON_RIGHT = false;
constexpr int BROKEN_BUTTON_STATE = Hover;
constexpr int BROKEN_IDS[] = {IDP_BUBBLE_LEFT, IDP_BUTTON_HOVER};
#else
#error "build with MARROWTUNE_DAMAGED_PICTURES or MARROWTUNE_MISSING_PICTURES"
#endif

constexpr int ALL_IDS[] = {IDP_BUBBLE_RIGHT, IDP_BUBBLE_LEFT, IDP_BUTTON_HOVER, IDP_BUTTON_NORMAL,
                           IDP_BUTTON_PRESSED};
// A point on the bubble's body, opaque in both bubble pictures.
constexpr POINT BODY = {60, 40};

bool IsBroken(int id)
{
    return std::find(std::begin(BROKEN_IDS), std::end(BROKEN_IDS), id) != std::end(BROKEN_IDS);
}

// Every pixel of the button's surface, as premultiplied ARGB words.
std::vector<uint32_t> ButtonPixels()
{
    return testpictures::DibPixels(bubbleState.dismissButton->surface->bitmap).All();
}

bool AllTransparentBlack(const std::vector<uint32_t>& pixels)
{
    return !pixels.empty() && std::all_of(pixels.begin(), pixels.end(), [](uint32_t pixel) { return pixel == 0; });
}

}  // namespace

class BROKEN_PICTURES : public BubbleTest {
protected:
    RECT IconOnSide(bool right) { return right ? TYPICAL_ICON : IconWithRoom(-20, TYPICAL_ICON.top); }
};

TEST_F(BROKEN_PICTURES, OnlyTheBrokenPicturesLoadAsEmptyImages)
{
    for (const int id : ALL_IDS) {
        const bool broken = IsBroken(id);
        EXPECT_EQ(!broken || RESOURCES_PRESENT,
                  FindResourceA(nullptr, MAKEINTRESOURCEA(id), PNG_RESOURCE_TYPE) != nullptr)
            << "resource " << id;
        PngImage* const image = LoadPngResource(id, PNG_RESOURCE_TYPE);
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(broken, image->nativeImage == nullptr) << "resource " << id;
        EXPECT_EQ(broken, image->lastStatus != Gdiplus::Ok) << "resource " << id;
        const bool bubblePicture = id == IDP_BUBBLE_RIGHT || id == IDP_BUBBLE_LEFT;
        const LONG width = bubblePicture ? BUBBLE_WIDTH : DISMISS_RECT_RIGHT_SIDE.right - DISMISS_RECT_RIGHT_SIDE.left;
        EXPECT_EQ(broken ? 0u : static_cast<UINT>(width), image->GetWidth()) << "resource " << id;
        delete image;
    }
}

TEST_F(BROKEN_PICTURES, TheBubbleShowsWithoutItsBrokenPictureAndWithTheOther)
{
    StartWithIcon(IconOnSide(BROKEN_BUBBLE_ON_RIGHT));
    ASSERT_EQ(BROKEN_BUBBLE_ON_RIGHT, bubbleState.bubbleOnRight == 1);
    FadeInFully();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(ALPHA_OPAQUE, shellCounters.lastAlpha);
    EXPECT_TRUE(LastPresentationShown());
    EXPECT_EQ(0, AlphaOf(CanvasPixel(BODY.x, BODY.y))) << "nothing where the picture would be";
    const RECT button = bubbleState.dismissButton->rect;
    EXPECT_EQ(255, AlphaOf(CanvasPixel(button.left + 33, button.top + 12))) << "the button still shows";

    MoveIcon(IconOnSide(!BROKEN_BUBBLE_ON_RIGHT));
    Tick(TIMER_TRACK);
    ASSERT_EQ(!BROKEN_BUBBLE_ON_RIGHT, bubbleState.bubbleOnRight == 1);
    EXPECT_EQ(255, AlphaOf(CanvasPixel(BODY.x, BODY.y))) << "the other side's picture draws";
    EXPECT_EQ(0, bubbleState.dismissing);
}

TEST_F(BROKEN_PICTURES, TheButtonShowsNothingInItsBrokenStateAndTheClickStillEndsWithZero)
{
    StartWithIcon(TYPICAL_ICON);
    FadeInFully();
    EXPECT_FALSE(AllTransparentBlack(ButtonPixels())) << "the normal picture draws";

    SendMessageA(window, WM_MOUSEMOVE, 0, ON_BUTTON);
    ASSERT_EQ(Hover, bubbleState.dismissButton->state);
    EXPECT_EQ(BROKEN_BUTTON_STATE == Hover, AllTransparentBlack(ButtonPixels()));
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, ON_BUTTON);
    ASSERT_EQ(Pressed, bubbleState.dismissButton->state);
    EXPECT_EQ(BROKEN_BUTTON_STATE == Pressed, AllTransparentBlack(ButtonPixels()));
    UpdateWindow(window);
    SendMessageA(window, WM_LBUTTONUP, 0, ON_BUTTON);
    ASSERT_EQ(1, bubbleState.dismissing);

    EXPECT_EQ(0, FadeOutUntilQuit());
}
