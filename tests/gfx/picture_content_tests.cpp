// What the resource pictures show, measured on the decoded pixels: the
// bubble's opaque body, its border and fill, the shadow, the tail on the side
// of the icon and the place of the words, and the dismiss button's three
// states; at every scale, the same layout scaled. A redraw of the pictures
// that breaks any of these fails here.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/gfx.h"
#include "res/resource.h"
#include "kit/test_pictures.h"
#include "picture_scales.h"

namespace {

const char PNG_TYPE[] = "PNG";

struct Colour { int r, g, b; };

// A straight (not premultiplied) pixel, as GDI+ reports it.
struct Pixel { int a, r, g, b; };

// Inclusive pixel box: left and right columns, top and bottom rows.
struct Box { int left, top, right, bottom; };

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
    int buttonLeft;  // the button's left column on this picture
};

constexpr BubbleLayout BUBBLES[] = {
    {IDP_BUBBLE_RIGHT, "TailOnTheLeft", {11, 4, 200, 68}, {4, 24}, -1,
     {{25, 13, 185, 29}, {25, 45, 65, 61}}, 125},
    {IDP_BUBBLE_LEFT, "TailOnTheRight", {4, 4, 193, 68}, {200, 24}, +1,
     {{16, 12, 176, 28}, {16, 44, 56, 60}}, 116},
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
// A column clear of the words.
constexpr int BUTTON_PLAIN_COLUMN = 5;

// Tolerances: antialiasing and rounding of the gradients.

constexpr int EXACT_COLOUR = 4;
constexpr int GRADIENT_END = 6;
constexpr int STRONG_INK = 16;
constexpr int SHADOW_TOLERANCE = 4;
constexpr int BOX_TOLERANCE = 1;
constexpr int MIN_STRONG_INK_PIXELS = 10;

// Every scale's set: the layout above with each length scaled as the program
// scales it, the 1-pixel border included.

constexpr int BORDER = 1;
constexpr int BUTTON_TOP_ON_BUBBLE = 35;
constexpr double CORNER_BLEND = 0.55;  // share of the bubble's fill in a button corner
constexpr int BLEND_ROUNDING = 1;
constexpr int LIGHTER_BY = 10;  // the pressed button's inner edge, in red
// The text's ink height is the scaled font's; a mirrored edge may be a pixel off.
constexpr int SCALED_BOX_TOLERANCE = 2;
constexpr int MIRRORED_EDGE_TOLERANCE = 1;

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

// The smallest box around the pixels (x, y) of `area` that isInk(x, y)
// accepts; left > right when there are none.
template <typename IsInk>
Box InkBounds(const Box& area, IsInk isInk)
{
    Box ink{area.right + 1, area.bottom + 1, area.left - 1, area.top - 1};
    for (int y = area.top; y <= area.bottom; ++y) {
        for (int x = area.left; x <= area.right; ++x) {
            if (!isInk(x, y)) continue;
            ink.left = std::min(ink.left, x);
            ink.top = std::min(ink.top, y);
            ink.right = std::max(ink.right, x);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

// Ink: the pixels whose red lies below `redBelow`.
Box InkBounds(const Picture& picture, const Box& area, int redBelow)
{
    return InkBounds(area, [&](int x, int y) { return picture.At(x, y).r < redBelow; });
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

// Each bubble picture, decoded once per case.
class BubblePicture : public testing::TestWithParam<BubbleLayout> {
protected:
    void SetUp() override { ASSERT_TRUE(picture.HasSize(BUBBLE_WIDTH, BUBBLE_HEIGHT)); }

    const BubbleLayout& bubble = GetParam();
    const Picture picture{bubble.id};
};
INSTANTIATE_TEST_SUITE_P(PictureContent, BubblePicture, testing::ValuesIn(BUBBLES), InstanceName<BubbleLayout>);

// Each scale's set, by its index in picturescales::DPIS.
class ScaledPictures : public testing::TestWithParam<int> {
protected:
    int S(int length) const { return picturescales::Scaled(length, dpi); }
    // Edges scale, not pixels: an inclusive right or bottom edge is one short of the scaled next pixel.
    Box S(const Box& box) const { return {S(box.left), S(box.top), S(box.right + 1) - 1, S(box.bottom + 1) - 1}; }
    int Id(int id) const { return picturescales::ScaledId(id, GetParam()); }

    const int dpi = picturescales::DPIS[GetParam()];
};
INSTANTIATE_TEST_SUITE_P(PictureContent, ScaledPictures,
                         testing::Range(0, static_cast<int>(std::size(picturescales::DPIS))),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Percent" + std::to_string(MulDiv(picturescales::DPIS[info.param], 100,
                                                                      picturescales::BASE_DPI));
                         });

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

    // Down the side facing away from the tail the border darkens and the
    // fill beside it turns blue, row by row.
    const int side = FarEdge(bubble);
    const int inward = -bubble.outward;
    for (int y = body.top + SOFT_CORNER; y < body.bottom - SOFT_CORNER; ++y) {
        const Pixel upper = picture.At(side, y);
        const Pixel lower = picture.At(side, y + 1);
        for (int Pixel::*channel : {&Pixel::r, &Pixel::g, &Pixel::b})
            EXPECT_GE(upper.*channel, lower.*channel) << "border row " << y;
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

    struct Ray { const char* side; POINT edge; int dx, dy; };
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

    // Past the tip and beside it there is only shadow (the tip itself and
    // the solid tail behind it: ScaledPictures, at every scale).
    EXPECT_LE(picture.At(tip.x + out, tip.y).a, SHADOW_ALPHA[0] + 2 * SHADOW_TOLERANCE);
    EXPECT_LE(picture.At(tip.x + SHADOW_REACH * out, tip.y).a, SHADOW_ALPHA[SHADOW_REACH - 1] + SHADOW_TOLERANCE);
    EXPECT_LE(picture.At(tip.x, TAIL_BASE_TOP).a, SHADOW_ALPHA[SHADOW_REACH - 1] + SHADOW_TOLERANCE);
    EXPECT_LE(picture.At(tip.x, TAIL_BASE_BOTTOM).a, SHADOW_ALPHA[SHADOW_REACH - 1] + SHADOW_TOLERANCE);

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

TEST_P(BubblePicture, NothingButTheWordsIsDarkInsideTheBorder)
{
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

TEST_P(ScaledPictures, BubblesHaveTheirLayoutScaled)
{
    for (const BubbleLayout& bubble : BUBBLES) {
        SCOPED_TRACE(bubble.name);
        const Picture picture(Id(bubble.id));
        ASSERT_TRUE(picture.HasSize(S(BUBBLE_WIDTH), S(BUBBLE_HEIGHT)));
        const Box body = S(bubble.body);
        const int x = MiddleColumn(body);
        Box solid{picture.width, picture.height, -1, -1};  // opaque across the middle row and column
        for (int px = 0; px < picture.width; ++px)
            if (picture.At(px, S(MIDDLE_ROW)).a == 255) solid = {std::min(solid.left, px), solid.top, px, solid.bottom};
        for (int py = 0; py < picture.height; ++py)
            if (picture.At(x, py).a == 255) solid = {solid.left, std::min(solid.top, py), solid.right, py};
        EXPECT_TRUE(BoxNear(solid, body, MIRRORED_EDGE_TOLERANCE)) << "the opaque body";

        for (int row = 0; row < S(BORDER); ++row) {
            EXPECT_TRUE(ColourNear(picture, x, body.top + row, BORDER_TOP, EXACT_COLOUR));
            EXPECT_TRUE(ColourNear(picture, x, body.bottom - row, BORDER_BOTTOM, EXACT_COLOUR));
        }
        EXPECT_GE(picture.At(x, body.bottom - S(BORDER)).r, BUBBLE_INK_RED_BELOW) << "border wider than scaled";
        EXPECT_TRUE(ColourNear(picture, x, body.top + S(2), FILL_TOP, GRADIENT_END));
        EXPECT_TRUE(ColourNear(picture, x, body.bottom - S(2), FILL_BOTTOM, GRADIENT_END));
        // Below the body the black shadow reaches as far as at 100 %, scaled.
        EXPECT_TRUE(ColourNear(picture, x, body.bottom + 1, {0, 0, 0}, EXACT_COLOUR));
        EXPECT_GT(picture.At(x, body.bottom + S(SHADOW_REACH)).a, 0);
        EXPECT_EQ(picture.At(x, body.bottom + S(SHADOW_REACH + 1) + 1).a, 0);

        // A dark tip at the scaled tip, the tail solid from there to the body.
        const int out = bubble.outward;
        const POINT tip{out < 0 ? S(bubble.tip.x) : S(bubble.tip.x + 1) - 1, S(bubble.tip.y)};
        EXPECT_GE(picture.At(tip.x, tip.y).a, 160);
        EXPECT_LE(picture.At(tip.x, tip.y).r, 100) << "the tip is drawn in the border colour";
        for (int px = tip.x - out; px != (out < 0 ? body.left : body.right); px -= out)
            EXPECT_EQ(picture.At(px, tip.y).a, 255) << "tail pixel (" << px << ", " << tip.y << ")";

        for (const Box& line : bubble.lines) {
            const Box box = S(line);
            EXPECT_TRUE(BoxNear(InkBounds(picture, Grown(box, S(3)), BUBBLE_INK_RED_BELOW), box, SCALED_BOX_TOLERANCE));
            EXPECT_GE(CountNear(picture, box, WORDS_STEEL_BLUE, STRONG_INK), MIN_STRONG_INK_PIXELS);
        }
        const Box button = S(Box{bubble.buttonLeft, BUTTON_TOP_ON_BUBBLE, bubble.buttonLeft + BUTTON_WIDTH - 1,
                                 BUTTON_TOP_ON_BUBBLE + BUTTON_HEIGHT - 1});
        const Box underButton = InkBounds(picture, button, BUBBLE_INK_RED_BELOW);
        EXPECT_GT(underButton.left, underButton.right) << "ink where the button sits";
    }
}

TEST_P(ScaledPictures, ButtonsHaveTheirLayoutScaledTheirWordsInOnePlaceAndCornersBlendedWithTheBubble)
{
    const Picture bubble(Id(IDP_BUBBLE_RIGHT));
    ASSERT_TRUE(bubble.HasSize(S(BUBBLE_WIDTH), S(BUBBLE_HEIGHT)));
    const int width = S(BUTTON_WIDTH);
    const int height = S(BUTTON_HEIGHT);
    const int edge = S(BORDER);
    const int middleX = width / 2;
    const int middleY = height / 2;
    Box normalInk{};
    for (const ButtonLook& look : BUTTONS) {
        SCOPED_TRACE(look.name);
        const Picture picture(Id(look.id));
        ASSERT_TRUE(picture.HasSize(width, height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) ASSERT_EQ(picture.At(x, y).a, 255) << "(" << x << ", " << y << ")";

        for (int i = 0; i < edge; ++i) {
            for (const POINT& p : {POINT{middleX, i}, POINT{middleX, height - 1 - i}, POINT{i, middleY},
                                   POINT{width - 1 - i, middleY}})
                EXPECT_TRUE(ColourNear(picture, p.x, p.y, look.border, EXACT_COLOUR));
        }
        EXPECT_FALSE(ColourNear(picture, middleX, edge, look.border, EXACT_COLOUR)) << "border wider than scaled";
        if (look.id == IDP_BUTTON_PRESSED) {  // a light inner edge as wide as the border: its last pixels
            const int in = 2 * edge - 1;
            const int bottom = height - 1;
            const int right = width - 1;
            EXPECT_GE(picture.At(middleX, in).r, picture.At(middleX, in + 1).r + LIGHTER_BY);
            EXPECT_GE(picture.At(middleX, bottom - in).r, picture.At(middleX, bottom - in - 1).r + LIGHTER_BY);
            EXPECT_GE(picture.At(in, middleY).r, picture.At(in + 1, middleY).r + LIGHTER_BY);
            EXPECT_GE(picture.At(right - in, middleY).r, picture.At(right - in - 1, middleY).r + LIGHTER_BY);
        }
        // Past the border and the pressed state's inner edge, the gradient.
        const int plain = S(BUTTON_PLAIN_COLUMN);
        EXPECT_TRUE(ColourNear(picture, plain, 2 * edge, look.top, GRADIENT_END));
        EXPECT_TRUE(ColourNear(picture, plain, height - 1 - 2 * edge, look.bottom, GRADIENT_END));

        // The words' ink: pixels at least half covered, against the plain fill of their row.
        const Box ink = InkBounds(Box{edge, edge, width - 1 - edge, height - 1 - edge}, [&](int x, int y) {
            return 2 * (picture.At(plain, y).r - picture.At(x, y).r) >= picture.At(plain, y).r - BUTTON_WORDS_BLUE.r;
        });
        const Box words = S(BUTTON_WORDS);
        EXPECT_TRUE(BoxNear(ink, words, SCALED_BOX_TOLERANCE));
        EXPECT_GE(CountNear(picture, words, BUTTON_WORDS_BLUE, STRONG_INK), MIN_STRONG_INK_PIXELS);
        if (look.id == IDP_BUTTON_NORMAL) normalInk = ink;  // the first of BUTTONS
        EXPECT_TRUE(BoxNear(ink, normalInk, 0)) << "the words moved between states";

        // The corners: the border blended with the bubble's fill where the button sits.
        for (const int y : {0, height - 1}) {
            const Pixel fill = bubble.At(S(BUBBLES[0].buttonLeft), S(BUTTON_TOP_ON_BUBBLE) + y);
            const auto blend = [](int border, int behind) {
                return static_cast<int>(std::lround(border + (behind - border) * CORNER_BLEND));
            };
            const Colour corner{blend(look.border.r, fill.r), blend(look.border.g, fill.g),
                                blend(look.border.b, fill.b)};
            EXPECT_TRUE(ColourNear(picture, 0, y, corner, BLEND_ROUNDING));
            EXPECT_TRUE(ColourNear(picture, width - 1, y, corner, BLEND_ROUNDING));
        }
    }
}
