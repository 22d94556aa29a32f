// Drawing pictures onto 32-bit alpha canvases and onto other device contexts.
#include <gtest/gtest.h>

#include "gfx/gfx.h"
#include "kit/test_pictures.h"

using namespace testpictures;

namespace {

constexpr int TOLERANCE = 1;  // rounding of 8-bit premultiplication
// Compositing onto a translucent pixel rounds twice; GDI+ may be off by more.
constexpr int BLEND_TOLERANCE = 3;

const Rgba ORANGE_HALF{200, 100, 50, 128};
const Rgba GREEN_QUARTER{0, 255, 0, 64};
const Rgba WHITE_MOSTLY{255, 255, 255, 192};
const Rgba CLEAR{90, 80, 70, 0};

// Source-over of a straight colour onto a premultiplied pixel.
uint32_t Over(Rgba source, uint32_t target)
{
    const auto blend = [&](BYTE sourceChannel, BYTE targetChannel) {
        return (sourceChannel * source.a + targetChannel * (255u - source.a) + 127u) / 255u;
    };
    const uint32_t alpha = source.a + (AlphaOf(target) * (255u - source.a) + 127u) / 255u;
    return Bgra(blend(source.r, RedOf(target)), blend(source.g, GreenOf(target)),
                blend(source.b, BlueOf(target)), alpha);
}

}  // namespace

TEST(DrawPicture, CreateAlphaBitmapGivesATransparentTopDownCanvas)
{
    const HBITMAP bitmap = CreateAlphaBitmap(nullptr, 207, 75);
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(section.dsBm.bmWidth, 207);
    EXPECT_EQ(section.dsBm.bmHeight, 75);
    EXPECT_EQ(CheckArea(DibPixels(bitmap), RECT{}, 0, Bgra(0, 0, 0, 0)), "");

    // Rows run top-down: the top-left pixel is the first word in memory.
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    SetPixelV(dc, 0, 0, RGB(1, 2, 3));
    GdiFlush();
    EXPECT_EQ(DibPixels(bitmap).FirstInMemory() & COLOUR_BITS, Bgra(1, 2, 3, 0));
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);

    EXPECT_EQ(CreateAlphaBitmap(nullptr, 0, 75), nullptr);
    EXPECT_EQ(CreateAlphaBitmap(nullptr, 207, -75), nullptr);
}

TEST(DrawPicture, PartialAlphaCompositesOverWhatTheCanvasHolds)
{
    const std::vector<Rgba> colours = {ORANGE_HALF, GREEN_QUARTER, WHITE_MOSTLY, RED, CLEAR};
    const OwnedPicture image(PictureOf(5, 1, colours));
    ASSERT_NE(image->nativeImage, nullptr);
    struct Background { uint32_t pixel; int tolerance; };
    const Background backgrounds[] = {
        {Bgra(0, 0, 0, 0), TOLERANCE},              // transparent: the colours land premultiplied
        {Bgra(255, 255, 255, 255), BLEND_TOLERANCE},  // opaque white
        {Bgra(0, 0, 100, 100), BLEND_TOLERANCE},      // premultiplied translucent blue
    };
    for (const Background& background : backgrounds) {
        Canvas canvas(5, -1);
        canvas.Pixels().Fill(background.pixel);
        DrawPicture(canvas.dc, image->nativeImage, 0, 0, 5, 1);
        const DibPixels pixels = canvas.Pixels();
        for (int x = 0; x < 5; ++x)
            EXPECT_TRUE(PixelNear(pixels.At(x, 0), Over(colours[x], background.pixel), background.tolerance))
                << "pixel " << x << " over " << std::hex << background.pixel;
        EXPECT_EQ(pixels.At(4, 0), background.pixel) << "a clear pixel keeps the canvas as it was";
    }
}

TEST(DrawPicture, DrawsInsideItsRectangleAndClipsAtTheCanvasEdge)
{
    const std::vector<Rgba> colours = {RED, BLUE, BLUE, RED, RED, BLUE};
    const OwnedPicture image(PictureOf(3, 2, colours));
    const POINT corners[] = {{1, 1}, {5, 3}, {-1, -1}};
    for (const POINT& corner : corners) {
        SCOPED_TRACE(testing::Message() << "at (" << corner.x << ", " << corner.y << ")");
        Canvas canvas(7, -4);
        DrawPicture(canvas.dc, image->nativeImage, corner.x, corner.y, 3, 2);
        const DibPixels pixels = canvas.Pixels();
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 7; ++x) {
                const int px = x - corner.x;
                const int py = y - corner.y;
                const bool inside = px >= 0 && py >= 0 && px < 3 && py < 2;
                const uint32_t want = inside ? Premultiplied(colours[py * 3 + px]) : Bgra(0, 0, 0, 0);
                EXPECT_EQ(pixels.At(x, y), want) << "pixel (" << x << ", " << y << ")";
            }
        }
    }
}

TEST(DrawPicture, NullAndEmptyPicturesDrawNothing)
{
    constexpr uint32_t BACKGROUND = Bgra(0x40, 0x20, 0x10, 0x80);
    const OwnedPicture missing(LoadPngResource(999, "PNG"));
    ASSERT_NE(missing, nullptr);
    Canvas canvas(8, -8);
    canvas.Pixels().Fill(BACKGROUND);
    DrawPicture(canvas.dc, nullptr, 0, 0, 8, 8);
    DrawPicture(canvas.dc, missing->nativeImage, 0, 0, 8, 8);
    DrawPicture(canvas.dc, NativeImageOf(nullptr), 0, 0, 8, 8);
    EXPECT_EQ(CheckArea(canvas.Pixels(), RECT{}, 0, BACKGROUND), "");
}

TEST(DrawPicture, EveryBitmapLayoutIsDrawnTheRightWayUp)
{
    // Top row red, bottom row blue.
    const OwnedPicture image(PictureOf(2, 2, {RED, RED, BLUE, BLUE}));
    struct Layout {
        int height;  // negative: top-down
        WORD depth;
    };
    const Layout layouts[] = {{-4, 32}, {4, 32}, {-4, 24}, {4, 24}};
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(testing::Message() << layout.depth << " bits per pixel, height " << layout.height);
        Canvas canvas(4, layout.height, layout.depth);
        PatBlt(canvas.dc, 0, 0, 4, 4, WHITENESS);
        DrawPicture(canvas.dc, image->nativeImage, 1, 1, 2, 2);
        GdiFlush();
        EXPECT_EQ(GetPixel(canvas.dc, 1, 1), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(canvas.dc, 2, 1), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(canvas.dc, 1, 2), RGB(0, 0, 255));
        EXPECT_EQ(GetPixel(canvas.dc, 2, 2), RGB(0, 0, 255));
        EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(255, 255, 255));
        EXPECT_EQ(GetPixel(canvas.dc, 3, 3), RGB(255, 255, 255));
    }
}
