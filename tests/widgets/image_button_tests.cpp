// Image buttons: construction, picture slots, rendering and the state machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "kit/button_input.h"
#include "kit/test_pictures.h"
#include "widgets/widgets.h"

using namespace testpictures;

namespace {

constexpr RECT DISMISS_RECT = DISMISS_RECT_RIGHT_SIDE;
constexpr int BUTTON_WIDTH = 66;
constexpr int BUTTON_HEIGHT = 24;
constexpr UINT DISMISS_COMMAND = 2000;

// A button with a solid, distinct picture for each state.
struct ColouredButton {
    ColouredButton() : button(DISMISS_RECT, DISMISS_COMMAND)
    {
        for (int state = Normal; state <= Pressed; ++state) button.SetImage(state, pictures[state - 1].get());
    }
    uint32_t ColourOf(int state) const { return Premultiplied(colours[state - 1]); }

    const Rgba colours[3] = {RED, GREEN, BLUE};
    const OwnedPicture pictures[3] = {OwnedPicture(SolidPicture(BUTTON_WIDTH, BUTTON_HEIGHT, RED)),
                                      OwnedPicture(SolidPicture(BUTTON_WIDTH, BUTTON_HEIGHT, GREEN)),
                                      OwnedPicture(SolidPicture(BUTTON_WIDTH, BUTTON_HEIGHT, BLUE))};
    ImageButton button;
};

DibPixels SurfaceOf(const ImageButton& button) { return DibPixels(button.surface->bitmap); }

// Every surface pixel is `colour`.
std::string SurfaceIs(const ImageButton& button, uint32_t colour)
{
    return CheckArea(SurfaceOf(button), RECT{}, 0, colour);
}

// Every surface pixel has colour (0, 0, 0); its alpha is not looked at.
bool SurfaceIsBlack(const ImageButton& button)
{
    const std::vector<uint32_t> pixels = SurfaceOf(button).All();
    return std::none_of(pixels.begin(), pixels.end(), [](uint32_t pixel) { return pixel & COLOUR_BITS; });
}

}  // namespace

TEST(ImageButton, ANewButtonShowsNothingUntilRenderedThenItsNormalPictureOverItsWholeRect)
{
    ColouredButton coloured;
    ImageButton& button = coloured.button;
    ASSERT_NE(button.surface, nullptr);
    EXPECT_EQ(SurfaceIs(button, 0), "") << "transparent before any rendering";

    // A message that changes no state re-renders the state the button is in.
    HCURSOR slot = nullptr;
    button.HandleMouse(WM_RBUTTONDOWN, 0, 0, &slot);
    const DibPixels pixels = SurfaceOf(button);
    EXPECT_EQ(pixels.width, BUTTON_WIDTH);
    EXPECT_EQ(pixels.height, BUTTON_HEIGHT);
    EXPECT_EQ(SurfaceIs(button, coloured.ColourOf(Normal)), "") << "a new button is in its normal state";
    EXPECT_EQ(slot, Arrow());
}

TEST(ImageButton, SetImageFillsOnlySlotsOneToFiveAndDoesNotRender)
{
    const OwnedPicture picture(SolidPicture(BUTTON_WIDTH, BUTTON_HEIGHT, RED));
    const OwnedPicture other(SolidPicture(BUTTON_WIDTH, BUTTON_HEIGHT, GREEN));
    ImageButton button(DISMISS_RECT, DISMISS_COMMAND);

    for (const int refused : {0, 6, -1, 100}) button.SetImage(refused, picture.get());
    for (PngImage* image : button.images) EXPECT_EQ(image, nullptr);

    for (int slot = 1; slot < IMAGE_SLOT_COUNT; ++slot) button.SetImage(slot, picture.get());
    for (int slot = 1; slot < IMAGE_SLOT_COUNT; ++slot) EXPECT_EQ(button.images[slot], picture.get()) << slot;
    EXPECT_EQ(button.images[0], nullptr);

    button.SetImage(2, other.get());
    EXPECT_EQ(button.images[2], other.get()) << "a later call replaces the picture";
    button.SetImage(3, nullptr);
    EXPECT_EQ(button.images[3], nullptr) << "null empties the slot";
    EXPECT_EQ(SurfaceIs(button, 0), "") << "nothing was drawn yet";
}

TEST(ImageButton, EmptySlotOrAPictureThatFailedToLoadRendersAnAllBlackSurface)
{
    ColouredButton coloured;
    coloured.button.Render(Hover);
    coloured.button.SetImage(Hover, nullptr);
    coloured.button.Render(Hover);
    EXPECT_TRUE(SurfaceIsBlack(coloured.button));

    coloured.button.Render(Normal);
    coloured.button.Render(4);  // no state uses slot 4
    EXPECT_TRUE(SurfaceIsBlack(coloured.button));

    const OwnedPicture missing(LoadPngResource(999, "PNG"));
    coloured.button.Render(Normal);
    coloured.button.SetImage(Normal, missing.get());
    coloured.button.Render(Normal);
    EXPECT_TRUE(SurfaceIsBlack(coloured.button));
}

// Each state's picture shows around the overlay, so this also covers Render
// of each slot.
TEST(ImageButton, OverlayIsDrawnOverEveryStateAtBadgeOriginAndClipped)
{
    ColouredButton coloured;
    const OwnedPicture overlay(SolidPicture(10, 6, MAGENTA));
    coloured.button.SetImage(OVERLAY_SLOT, overlay.get());
    coloured.button.badgeOrigin = POINT{60, 20};  // the overlay hangs over the bottom-right edge
    const RECT shown{60, 20, BUTTON_WIDTH, BUTTON_HEIGHT};
    for (const int state : {Normal, Hover, Pressed}) {
        coloured.button.Render(state);
        EXPECT_EQ(CheckArea(SurfaceOf(coloured.button), shown, Premultiplied(MAGENTA), coloured.ColourOf(state)), "")
            << "state " << state;
    }

    coloured.button.SetImage(Hover, nullptr);
    coloured.button.Render(Hover);
    const DibPixels pixels = SurfaceOf(coloured.button);
    EXPECT_EQ(pixels.At(62, 22), Premultiplied(MAGENTA)) << "the overlay also covers an empty state";
    EXPECT_EQ(pixels.At(10, 10) & COLOUR_BITS, 0u);

    // At (66, 24) the overlay starts at the surface's corner: none of it shows.
    coloured.button.badgeOrigin = POINT{BUTTON_WIDTH, BUTTON_HEIGHT};
    coloured.button.Render(Normal);
    EXPECT_EQ(SurfaceIs(coloured.button, coloured.ColourOf(Normal)), "");
}

TEST(ImageButton, LargerPictureIsClippedNotScaledAndDrawnAtImageOrigin)
{
    constexpr int WIDE = 80;
    constexpr int TALL = 30;
    std::vector<Rgba> gradient;
    for (int y = 0; y < TALL; ++y)
        for (int x = 0; x < WIDE; ++x) gradient.push_back(Rgba{BYTE(x * 3), BYTE(y * 8), 77, 255});
    const OwnedPicture large(PictureOf(WIDE, TALL, gradient));
    ImageButton button(DISMISS_RECT, DISMISS_COMMAND);
    button.SetImage(Normal, large.get());

    button.Render(Normal);
    DibPixels pixels = SurfaceOf(button);
    for (int y = 0; y < BUTTON_HEIGHT; ++y)
        for (int x = 0; x < BUTTON_WIDTH; ++x)
            ASSERT_EQ(pixels.At(x, y), Premultiplied(gradient[y * WIDE + x])) << x << ", " << y;

    button.imageOrigin = POINT{3, 2};
    button.Render(Normal);
    pixels = SurfaceOf(button);
    EXPECT_EQ(pixels.At(3, 2), Premultiplied(gradient[0]));
    EXPECT_EQ(pixels.At(65, 23), Premultiplied(gradient[21 * WIDE + 62]));
    EXPECT_EQ(pixels.At(2, 10) & COLOUR_BITS, 0u);
    EXPECT_EQ(pixels.At(10, 1) & COLOUR_BITS, 0u);
}

TEST(ImageButton, HandleMouseFollowsTheTransitionTableFromEveryState)
{
    struct Transition {
        UINT message;
        int expected;  // 0: unchanged
    };
    const Transition table[] = {
        {WM_MOUSEMOVE, Hover},   {WM_LBUTTONDOWN, Pressed}, {WM_LBUTTONUP, Hover}, {WM_MOUSEHOVER, Hover},
        {WM_MOUSELEAVE, Normal}, {WM_RBUTTONDOWN, 0},       {WM_KEYDOWN, 0},
    };
    ColouredButton coloured;
    ImageButton& button = coloured.button;
    for (const Transition& transition : table) {
        for (const int from : {Normal, Hover, Pressed}) {
            SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << transition.message << " from state "
                                            << from);
            button.state = from;
            SurfaceOf(button).Fill(Bgra(1, 2, 3, 4));  // shows whether it re-renders
            SetCursor(nullptr);
            HCURSOR slot = nullptr;
            button.HandleMouse(transition.message, 0x1234, 0x5678, &slot);

            const int expected = transition.expected ? transition.expected : from;
            EXPECT_EQ(button.state, expected);
            const HCURSOR cursor = expected == Normal ? Arrow() : Hand();
            EXPECT_EQ(slot, cursor) << "the cursor is stored";
            EXPECT_EQ(GetCursor(), cursor) << "and applied";
            EXPECT_EQ(SurfaceIs(button, coloured.ColourOf(expected)), "") << "and the state re-rendered";
        }
    }
}
