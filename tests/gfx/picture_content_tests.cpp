// What the resource pictures show, measured on the decoded pixels: the
// bubble's opaque body, its border and fill, the shadow, the tail on the side
// of the icon and the place of the words, and the dismiss button's three
// states. A redraw of the pictures that breaks any of these fails here.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/gfx.h"
#include "res/resource.h"
#include "kit/test_pictures.h"

namespace {

const char PNG_TYPE[] = "PNG";

struct Colour {
    int r, g, b;
};

// A straight (not premultiplied) pixel, as GDI+ reports it.
struct Pixel {
    int a, r, g, b;
};

// Inclusive pixel box: left and right columns, top and bottom rows.
struct Box {
    int left, top, right, bottom;
};

// ---------------------------------------------------------------------------
// Bubble pictures.

constexpr int BUBBLE_WIDTH = 207;
constexpr int BUBBLE_HEIGHT = 75;

struct BubbleLayout {
    int id;
    const char* name;  // of the test instance
    Box body;
    POINT tip;
    int outward;  // direction the tail points in: -1 left, +1 right
    Box lines[2];  // ink of the two lines of words
};

constexpr BubbleLayout BUBBLES[] = {
    {IDP_BUBBLE_RIGHT, "TailOnTheLeft", {11, 4, 200, 68}, {4, 24}, -1,
     {{25, 13, 185, 29}, {25, 45, 65, 61}}},
    {IDP_BUBBLE_LEFT, "TailOnTheRight", {4, 4, 193, 68}, {200, 24}, +1,
     {{16, 12, 176, 28}, {16, 44, 56, 60}}},
};

constexpr Colour BORDER_TOP{54, 119, 166};
constexpr Colour BORDER_BOTTOM{16, 70, 112};
constexpr Colour FILL_TOP{255, 255, 255};
constexpr Colour FILL_BOTTOM{213, 242, 255};
constexpr Colour WORDS_STEEL_BLUE{54, 119, 166};
constexpr int TAIL_BASE_TOP = 17;
constexpr int TAIL_BASE_BOTTOM = 31;
// Alpha of the black shadow in the 1st to 4th pixel outside the outline.
constexpr int SHADOW_ALPHA[] = {61, 37, 19, 6};
constexpr int SHADOW_REACH = 4;
// Corners are softened: only this many pixels at each end of an edge may be
// less than opaque.
constexpr int SOFT_CORNER = 3;
// Rows away from the tail on its side of the body, where the shadow stands
// alone.
constexpr int ROW_BELOW_TAIL = 50;
constexpr int MIDDLE_ROW = 36;
// The fill never has less red than this; the words always do.
constexpr int BUBBLE_INK_RED_BELOW = 200;

// ---------------------------------------------------------------------------
// Button pictures.

constexpr int BUTTON_WIDTH = 66;
constexpr int BUTTON_HEIGHT = 24;

struct ButtonLook {
    int id;
    const char* name;  // of the test instance
    Colour border;
    Colour top;
    Colour bottom;
};

constexpr ButtonLook BUTTONS[] = {
    {IDP_BUTTON_NORMAL, "Normal", {156, 203, 237}, {235, 250, 255}, {189, 235, 255}},
    {IDP_BUTTON_HOVER, "Hover", {156, 203, 237}, {216, 247, 255}, {175, 230, 254}},
    {IDP_BUTTON_PRESSED, "Pressed", {121, 176, 215}, {180, 232, 255}, {229, 249, 254}},
};

constexpr Box BUTTON_WORDS{10, 7, 55, 17};
constexpr Colour BUTTON_WORDS_BLUE{12, 88, 132};
constexpr int BUTTON_INK_RED_BELOW = 150;
// Rows just inside the border (row 1 and the row above the bottom border
// may carry the pressed state's inner edge) where the gradient is measured.
constexpr int BUTTON_FILL_TOP_ROW = 2;
constexpr int BUTTON_FILL_BOTTOM_ROW = BUTTON_HEIGHT - 3;
// A column clear of the words.
constexpr int BUTTON_PLAIN_COLUMN = 5;

// ---------------------------------------------------------------------------
// Tolerances: antialiasing and rounding of the gradients.

constexpr int EXACT_COLOUR = 4;
constexpr int GRADIENT_END = 6;
constexpr int STRONG_INK = 16;
constexpr int SHADOW_TOLERANCE = 4;
constexpr int BOX_TOLERANCE = 1;
constexpr int MIN_STRONG_INK_PIXELS = 10;

// A resource picture decoded by the product's loader, with all its pixels
// read once.
class Picture {
public:
    explicit Picture(int id) : image(LoadPngResource(id, PNG_TYPE))
    {
        if (!image || !image->nativeImage) return;
        width = static_cast<int>(image->GetWidth());
        height = static_cast<int>(image->GetHeight());
        pixels = testpictures::PicturePixels(image.get());
    }

    bool HasSize(int w, int h) const { return !pixels.empty() && width == w && height == h; }
    Pixel At(int x, int y) const
    {
        const uint32_t argb = pixels[static_cast<size_t>(y) * width + x];
        return {testpictures::AlphaOf(argb), testpictures::RedOf(argb), testpictures::GreenOf(argb),
                testpictures::BlueOf(argb)};
    }

    int width = 0;
    int height = 0;

private:
    testpictures::OwnedPicture image;
    std::vector<uint32_t> pixels;
};

testing::AssertionResult ColourNear(const Picture& picture, int x, int y, Colour expected, int tolerance)
{
    const Pixel p = picture.At(x, y);
    if (std::abs(p.r - expected.r) <= tolerance && std::abs(p.g - expected.g) <= tolerance &&
        std::abs(p.b - expected.b) <= tolerance) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << p.r << ", " << p.g
                                       << ", " << p.b << "), expected (" << expected.r << ", " << expected.g
                                       << ", " << expected.b << ") within " << tolerance;
}

bool Inside(const Box& box, int x, int y) { return x >= box.left && x <= box.right && y >= box.top && y <= box.bottom; }

Box Grown(const Box& box, int by) { return {box.left - by, box.top - by, box.right + by, box.bottom + by}; }

// The smallest box around the pixels of `area` whose red lies below
// `redBelow`; left > right when there are none.
Box InkBounds(const Picture& picture, const Box& area, int redBelow)
{
    Box ink{area.right + 1, area.bottom + 1, area.left - 1, area.top - 1};
    for (int y = area.top; y <= area.bottom; ++y) {
        for (int x = area.left; x <= area.right; ++x) {
            if (picture.At(x, y).r >= redBelow) continue;
            ink.left = std::min(ink.left, x);
            ink.top = std::min(ink.top, y);
            ink.right = std::max(ink.right, x);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

testing::AssertionResult BoxNear(const Box& actual, const Box& expected, int tolerance)
{
    if (std::abs(actual.left - expected.left) <= tolerance && std::abs(actual.top - expected.top) <= tolerance &&
        std::abs(actual.right - expected.right) <= tolerance &&
        std::abs(actual.bottom - expected.bottom) <= tolerance) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "ink spans x " << actual.left << "-" << actual.right << ", y " << actual.top
                                       << "-" << actual.bottom << "; expected x " << expected.left << "-"
                                       << expected.right << ", y " << expected.top << "-" << expected.bottom;
}

int CountNear(const Picture& picture, const Box& area, Colour colour, int tolerance)
{
    int count = 0;
    for (int y = area.top; y <= area.bottom; ++y)
        for (int x = area.left; x <= area.right; ++x)
            if (ColourNear(picture, x, y, colour, tolerance)) ++count;
    return count;
}

bool InSoftCorner(const Box& body, int x, int y)
{
    const bool nearSide = x < body.left + SOFT_CORNER || x > body.right - SOFT_CORNER;
    const bool nearEnd = y < body.top + SOFT_CORNER || y > body.bottom - SOFT_CORNER;
    return nearSide && nearEnd;
}

// The body's edge on the tail's side, and the one facing away from it.
int NearEdge(const BubbleLayout& bubble) { return bubble.outward < 0 ? bubble.body.left : bubble.body.right; }
int FarEdge(const BubbleLayout& bubble) { return bubble.outward < 0 ? bubble.body.right : bubble.body.left; }
int MiddleColumn(const Box& body) { return (body.left + body.right) / 2; }

template <typename Look>
std::string InstanceName(const testing::TestParamInfo<Look>& info)
{
    return info.param.name;
}
void PrintTo(const BubbleLayout& bubble, std::ostream* out) { *out << bubble.name; }
void PrintTo(const ButtonLook& button, std::ostream* out) { *out << button.name; }

// Each bubble picture, decoded once per case.
class BubblePicture : public testing::TestWithParam<BubbleLayout> {
protected:
    void SetUp() override { ASSERT_TRUE(picture.HasSize(BUBBLE_WIDTH, BUBBLE_HEIGHT)); }

    const BubbleLayout& bubble = GetParam();
    const Picture picture{bubble.id};
};
INSTANTIATE_TEST_SUITE_P(PictureContent, BubblePicture, testing::ValuesIn(BUBBLES), InstanceName<BubbleLayout>);

// Each state's button picture, decoded once per case.
class ButtonPicture : public testing::TestWithParam<ButtonLook> {
protected:
    void SetUp() override { ASSERT_TRUE(picture.HasSize(BUTTON_WIDTH, BUTTON_HEIGHT)); }

    const ButtonLook& button = GetParam();
    const Picture picture{button.id};
};
INSTANTIATE_TEST_SUITE_P(PictureContent, ButtonPicture, testing::ValuesIn(BUTTONS), InstanceName<ButtonLook>);

}  // namespace

TEST_P(BubblePicture, BodyIsOpaqueWithGradientFillAndDarkeningBorder)
{
    const Box& body = bubble.body;
    for (int y = body.top; y <= body.bottom; ++y) {
        for (int x = body.left; x <= body.right; ++x) {
            if (InSoftCorner(body, x, y)) continue;
            ASSERT_EQ(picture.At(x, y).a, 255) << "body pixel (" << x << ", " << y << ")";
        }
    }

    const int x = MiddleColumn(body);
    EXPECT_TRUE(ColourNear(picture, x, body.top, BORDER_TOP, EXACT_COLOUR));
    EXPECT_TRUE(ColourNear(picture, x, body.bottom, BORDER_BOTTOM, EXACT_COLOUR));
    EXPECT_TRUE(ColourNear(picture, x, body.top + 2, FILL_TOP, GRADIENT_END));
    EXPECT_TRUE(ColourNear(picture, x, body.bottom - 2, FILL_BOTTOM, GRADIENT_END));

    // Down the side facing away from the tail the border darkens and the
    // fill beside it turns blue, row by row.
    const int side = FarEdge(bubble);
    const int inward = -bubble.outward;
    for (int y = body.top + SOFT_CORNER; y < body.bottom - SOFT_CORNER; ++y) {
        const Pixel upper = picture.At(side, y);
        const Pixel lower = picture.At(side, y + 1);
        EXPECT_GE(upper.r, lower.r) << "border row " << y;
        EXPECT_GE(upper.g, lower.g) << "border row " << y;
        EXPECT_GE(upper.b, lower.b) << "border row " << y;
        EXPECT_GE(picture.At(side + 2 * inward, y).r, picture.At(side + 2 * inward, y + 1).r) << "fill row " << y;
    }
}

TEST_P(BubblePicture, CornersAreSoftenedAndThePictureCornersTransparent)
{
    const Box& body = bubble.body;
    const POINT bodyCorners[] = {
        {body.left, body.top}, {body.right, body.top}, {body.left, body.bottom}, {body.right, body.bottom}};
    for (const POINT& corner : bodyCorners) {
        EXPECT_LT(picture.At(corner.x, corner.y).a, 128) << "corner (" << corner.x << ", " << corner.y << ")";
    }
    EXPECT_EQ(picture.At(body.left + SOFT_CORNER, body.top).a, 255);
    EXPECT_EQ(picture.At(body.right - SOFT_CORNER, body.bottom).a, 255);

    const POINT pictureCorners[] = {
        {0, 0}, {BUBBLE_WIDTH - 1, 0}, {0, BUBBLE_HEIGHT - 1}, {BUBBLE_WIDTH - 1, BUBBLE_HEIGHT - 1}};
    for (const POINT& corner : pictureCorners) {
        EXPECT_EQ(picture.At(corner.x, corner.y).a, 0) << "corner (" << corner.x << ", " << corner.y << ")";
    }
}

TEST_P(BubblePicture, ShadowIsBlackAndFadesOutwardOnEverySide)
{
    const Box& body = bubble.body;
    const int column = MiddleColumn(body);

    struct Ray {
        const char* side;
        POINT edge;
        int dx, dy;
    };
    const Ray rays[] = {
        {"above", {column, body.top}, 0, -1},
        {"below", {column, body.bottom}, 0, +1},
        {"away from the tail", {FarEdge(bubble), MIDDLE_ROW}, -bubble.outward, 0},
        {"beside the tail", {NearEdge(bubble), ROW_BELOW_TAIL}, bubble.outward, 0},
    };
    for (const Ray& ray : rays) {
        SCOPED_TRACE(ray.side);
        for (int step = 1; step <= SHADOW_REACH; ++step) {
            const int x = ray.edge.x + ray.dx * step;
            const int y = ray.edge.y + ray.dy * step;
            const Pixel p = picture.At(x, y);
            EXPECT_NEAR(p.a, SHADOW_ALPHA[step - 1], SHADOW_TOLERANCE) << "pixel (" << x << ", " << y << ")";
            EXPECT_TRUE(ColourNear(picture, x, y, {0, 0, 0}, EXACT_COLOUR));
        }
        const int x = ray.edge.x + ray.dx * (SHADOW_REACH + 1);
        const int y = ray.edge.y + ray.dy * (SHADOW_REACH + 1);
        if (x >= 0 && x < BUBBLE_WIDTH && y >= 0 && y < BUBBLE_HEIGHT) {
            EXPECT_EQ(picture.At(x, y).a, 0) << "pixel (" << x << ", " << y << ") past the shadow";
        }
    }
}

TEST_P(BubblePicture, TailPointsTowardsTheIcon)
{
    const POINT tip = bubble.tip;
    const int out = bubble.outward;

    // The tip is a dark, nearly opaque point of the outline; past it and
    // beside it there is only shadow.
    const Pixel tipPixel = picture.At(tip.x, tip.y);
    EXPECT_GE(tipPixel.a, 160);
    EXPECT_LE(tipPixel.r, 100) << "the tip is drawn in the border colour";
    EXPECT_LE(picture.At(tip.x + out, tip.y).a, SHADOW_ALPHA[0] + 2 * SHADOW_TOLERANCE);
    EXPECT_LE(picture.At(tip.x + SHADOW_REACH * out, tip.y).a, SHADOW_ALPHA[SHADOW_REACH - 1] + SHADOW_TOLERANCE);
    EXPECT_LE(picture.At(tip.x, TAIL_BASE_TOP).a, SHADOW_ALPHA[SHADOW_REACH - 1] + SHADOW_TOLERANCE);
    EXPECT_LE(picture.At(tip.x, TAIL_BASE_BOTTOM).a, SHADOW_ALPHA[SHADOW_REACH - 1] + SHADOW_TOLERANCE);

    // Between the tip and the body the tail is solid.
    for (int x = tip.x - out; x != NearEdge(bubble); x -= out) {
        EXPECT_EQ(picture.At(x, tip.y).a, 255) << "tail pixel (" << x << ", " << tip.y << ")";
    }
    // Just outside the body its base covers rows 17 to 31 and no more.
    const int beside = NearEdge(bubble) + out;
    for (int y = TAIL_BASE_TOP + 1; y < TAIL_BASE_BOTTOM; ++y) {
        EXPECT_EQ(picture.At(beside, y).a, 255) << "tail base pixel (" << beside << ", " << y << ")";
    }
    EXPECT_LE(picture.At(beside, TAIL_BASE_TOP - 2).a, SHADOW_ALPHA[0] + SHADOW_TOLERANCE);
    EXPECT_LE(picture.At(beside, TAIL_BASE_BOTTOM + 2).a, SHADOW_ALPHA[0] + SHADOW_TOLERANCE);
    // The tail opens into the body: no border line across its base.
    EXPECT_GE(picture.At(NearEdge(bubble), tip.y).r, BUBBLE_INK_RED_BELOW);

    // The other side has no tail, only the shadow.
    EXPECT_LE(picture.At(FarEdge(bubble) - 2 * out, tip.y).a, SHADOW_ALPHA[1] + SHADOW_TOLERANCE);
}

TEST_P(BubblePicture, WordsFillTheirBoxesAndNothingElse)
{
    for (const Box& line : bubble.lines) {
        const Box around = Grown(line, 3);
        EXPECT_TRUE(BoxNear(InkBounds(picture, around, BUBBLE_INK_RED_BELOW), line, BOX_TOLERANCE));
        EXPECT_GE(CountNear(picture, line, WORDS_STEEL_BLUE, STRONG_INK), MIN_STRONG_INK_PIXELS)
            << "the words are steel blue";
    }

    // Inside the border nothing but the words is dark.
    const Box inner = Grown(bubble.body, -2);
    int strays = 0;
    POINT firstStray{};
    for (int y = inner.top; y <= inner.bottom; ++y) {
        for (int x = inner.left; x <= inner.right; ++x) {
            if (picture.At(x, y).r >= BUBBLE_INK_RED_BELOW) continue;
            if (Inside(Grown(bubble.lines[0], BOX_TOLERANCE), x, y) ||
                Inside(Grown(bubble.lines[1], BOX_TOLERANCE), x, y)) {
                continue;
            }
            if (strays++ == 0) firstStray = {x, y};
        }
    }
    EXPECT_EQ(strays, 0) << "stray ink, first at (" << firstStray.x << ", " << firstStray.y << ")";
}

TEST_P(ButtonPicture, IsFullyOpaqueWithBorderAndGradient)
{
    for (int y = 0; y < BUTTON_HEIGHT; ++y)
        for (int x = 0; x < BUTTON_WIDTH; ++x) ASSERT_EQ(picture.At(x, y).a, 255) << "(" << x << ", " << y << ")";

    const int middleX = BUTTON_WIDTH / 2;
    const int middleY = BUTTON_HEIGHT / 2;
    EXPECT_TRUE(ColourNear(picture, middleX, 0, button.border, EXACT_COLOUR));
    EXPECT_TRUE(ColourNear(picture, middleX, BUTTON_HEIGHT - 1, button.border, EXACT_COLOUR));
    EXPECT_TRUE(ColourNear(picture, 0, middleY, button.border, EXACT_COLOUR));
    EXPECT_TRUE(ColourNear(picture, BUTTON_WIDTH - 1, middleY, button.border, EXACT_COLOUR));

    EXPECT_TRUE(ColourNear(picture, BUTTON_PLAIN_COLUMN, BUTTON_FILL_TOP_ROW, button.top, GRADIENT_END));
    EXPECT_TRUE(ColourNear(picture, BUTTON_PLAIN_COLUMN, BUTTON_FILL_BOTTOM_ROW, button.bottom, GRADIENT_END));
}

TEST(PictureContent, PressedButtonHasALightInnerEdge)
{
    const Picture picture(IDP_BUTTON_PRESSED);
    ASSERT_TRUE(picture.HasSize(BUTTON_WIDTH, BUTTON_HEIGHT));
    constexpr int LIGHTER_BY = 10;
    const int middleX = BUTTON_WIDTH / 2;
    const int middleY = BUTTON_HEIGHT / 2;
    EXPECT_GE(picture.At(middleX, 1).r, picture.At(middleX, 2).r + LIGHTER_BY);
    EXPECT_GE(picture.At(middleX, BUTTON_HEIGHT - 2).r, picture.At(middleX, BUTTON_HEIGHT - 3).r + LIGHTER_BY);
    EXPECT_GE(picture.At(1, middleY).r, picture.At(2, middleY).r + LIGHTER_BY);
    EXPECT_GE(picture.At(BUTTON_WIDTH - 2, middleY).r, picture.At(BUTTON_WIDTH - 3, middleY).r + LIGHTER_BY);
}

TEST_P(ButtonPicture, WordsStandWhereTheyStandInTheNormalPicture)
{
    const Box inner{1, 1, BUTTON_WIDTH - 2, BUTTON_HEIGHT - 2};
    const Box ink = InkBounds(picture, inner, BUTTON_INK_RED_BELOW);
    EXPECT_TRUE(BoxNear(ink, BUTTON_WORDS, BOX_TOLERANCE));
    EXPECT_GE(CountNear(picture, BUTTON_WORDS, BUTTON_WORDS_BLUE, STRONG_INK), MIN_STRONG_INK_PIXELS)
        << "the words are dark blue";
    const Picture normal(IDP_BUTTON_NORMAL);
    ASSERT_TRUE(normal.HasSize(BUTTON_WIDTH, BUTTON_HEIGHT));
    EXPECT_TRUE(BoxNear(ink, InkBounds(normal, inner, BUTTON_INK_RED_BELOW), 0)) << "the words moved between states";
}
