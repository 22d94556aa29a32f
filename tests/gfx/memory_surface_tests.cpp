// Off-screen surfaces: their bitmap format and the two ways they are copied.
#include <gtest/gtest.h>

#include "gfx/gfx.h"
#include "tests/support/test_pictures.h"

using namespace testpictures;

namespace {

constexpr int BUTTON_WIDTH = 66;
constexpr int BUTTON_HEIGHT = 24;
constexpr uint32_t TARGET_PIXEL = Bgra(0x40, 0x20, 0x10, 0x80);
constexpr uint32_t OPAQUE_BLACK = Bgra(0, 0, 0, 0xFF);
constexpr uint32_t CLEAR_BLACK = Bgra(0, 0, 0, 0);

// A 4 x 3 surface whose pixels are all different, black ones included.
void PaintPattern(const MemorySurface& surface)
{
    const DibPixels pixels(surface.bitmap);
    for (int y = 0; y < surface.height; ++y)
        for (int x = 0; x < surface.width; ++x)
            pixels.At(x, y) = Bgra(10 + 20 * x, 100 + 30 * y, 7, 0xFF);
    pixels.At(0, 0) = CLEAR_BLACK;
    pixels.At(1, 0) = OPAQUE_BLACK;
    pixels.At(2, 0) = Bgra(0x40, 0x20, 0x00, 0x40);  // premultiplied, alpha 1/4
}

// Every pixel of `target` at (x, y) + (sx, sy) equals the surface's (sx, sy)
// where that lies inside the target; every other target pixel is untouched.
void ExpectCopiedAt(const MemorySurface& surface, const Canvas& target, int x, int y)
{
    const DibPixels source(surface.bitmap);
    const DibPixels pixels = target.Pixels();
    for (int ty = 0; ty < pixels.height; ++ty) {
        for (int tx = 0; tx < pixels.width; ++tx) {
            const int sx = tx - x;
            const int sy = ty - y;
            const bool covered = sx >= 0 && sy >= 0 && sx < surface.width && sy < surface.height;
            const uint32_t want = covered ? source.At(sx, sy) : TARGET_PIXEL;
            ASSERT_EQ(pixels.At(tx, ty), want) << "target pixel (" << tx << ", " << ty << ")";
        }
    }
}

}  // namespace

TEST(MemorySurface, NewSurfaceIsA32BitTopDownBitmapSelectedIntoItsDC)
{
    MemorySurface surface(BUTTON_WIDTH, BUTTON_HEIGHT);
    EXPECT_EQ(surface.width, BUTTON_WIDTH);
    EXPECT_EQ(surface.height, BUTTON_HEIGHT);
    ASSERT_NE(surface.dc, nullptr);
    ASSERT_NE(surface.bitmap, nullptr);
    EXPECT_EQ(GetCurrentObject(surface.dc, OBJ_BITMAP), surface.bitmap);
    EXPECT_EQ(GetObjectType(surface.previousBitmap), static_cast<DWORD>(OBJ_BITMAP));

    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(surface.bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, BUTTON_WIDTH);
    EXPECT_EQ(section.dsBm.bmHeight, BUTTON_HEIGHT);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));

    const DibPixels pixels(surface.bitmap);
    EXPECT_EQ(CheckArea(pixels, RECT{}, 0, CLEAR_BLACK), "") << "a new surface is transparent black";

    // Rows run top-down: the top-left pixel is the first word in memory.
    SetPixelV(surface.dc, 0, 0, RGB(1, 2, 3));
    GdiFlush();
    EXPECT_EQ(pixels.FirstInMemory() & 0x00FFFFFF, Bgra(1, 2, 3, 0));
}

TEST(MemorySurface, DestructionFreesTheBitmapAndTheDC)
{
    auto* surface = new MemorySurface(BUTTON_WIDTH, BUTTON_HEIGHT);
    const HBITMAP bitmap = surface->bitmap;
    const HDC dc = surface->dc;
    delete surface;
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(GetObjectType(dc), 0u);
}

TEST(MemorySurface, OpaqueBlitCopiesEveryPixelBlackAndAlphaIncluded)
{
    MemorySurface surface(4, 3);
    PaintPattern(surface);
    Canvas target(10, -8);
    target.Pixels().Fill(TARGET_PIXEL);

    EXPECT_TRUE(surface.Blit(target.dc, BLIT_OPAQUE, 2, 3));
    ExpectCopiedAt(surface, target, 2, 3);
}

TEST(MemorySurface, OpaqueBlitPartlyOutsideTheTargetIsClippedNotMoved)
{
    MemorySurface surface(4, 3);
    PaintPattern(surface);
    const POINT corners[] = {{-2, -1}, {8, 6}, {-3, 6}, {7, -2}};
    for (const POINT& corner : corners) {
        SCOPED_TRACE(testing::Message() << "surface at (" << corner.x << ", " << corner.y << ")");
        Canvas target(10, -8);
        target.Pixels().Fill(TARGET_PIXEL);
        surface.Blit(target.dc, BLIT_OPAQUE, corner.x, corner.y);
        ExpectCopiedAt(surface, target, corner.x, corner.y);
    }
}

TEST(MemorySurface, BlackTransparentBlitKeepsTheTargetUnderBlackOnly)
{
    MemorySurface surface(4, 3);
    PaintPattern(surface);
    const DibPixels source(surface.bitmap);
    source.At(1, 1) = Bgra(1, 0, 0, 0xFF);  // nearly black is still copied
    Canvas target(10, -8);
    target.Pixels().Fill(TARGET_PIXEL);

    EXPECT_TRUE(surface.Blit(target.dc, BLIT_BLACK_TRANSPARENT, 3, 2));

    const DibPixels pixels = target.Pixels();
    EXPECT_EQ(pixels.At(3, 2), TARGET_PIXEL) << "transparent black keeps the target, alpha included";
    EXPECT_EQ(pixels.At(4, 2), TARGET_PIXEL) << "opaque black keeps the target, alpha included";
    for (int y = 0; y < surface.height; ++y) {
        for (int x = 0; x < surface.width; ++x) {
            if (y == 0 && x < 2) continue;
            EXPECT_EQ(pixels.At(3 + x, 2 + y), source.At(x, y))
                << "surface pixel (" << x << ", " << y << ") is copied, alpha included";
        }
    }
    const RECT covered{3, 2, 7, 5};
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (!PtInRect(&covered, POINT{x, y})) {
                ASSERT_EQ(pixels.At(x, y), TARGET_PIXEL) << x << ", " << y;
            }
}

TEST(MemorySurface, BlackTransparentBlitPartlyOutsideTheTargetIsClippedNotMoved)
{
    constexpr uint32_t FILL = Bgra(0x11, 0x22, 0x33, 0xFF);
    constexpr uint32_t CORNER = Bgra(0x44, 0x55, 0x66, 0x80);
    MemorySurface surface(4, 3);
    const DibPixels source(surface.bitmap);
    source.Fill(FILL);
    source.At(0, 0) = OPAQUE_BLACK;
    source.At(3, 2) = CORNER;

    {
        // Only surface columns 0..2 and rows 0..1 land on the target.
        Canvas target(10, -8);
        target.Pixels().Fill(TARGET_PIXEL);
        surface.Blit(target.dc, BLIT_BLACK_TRANSPARENT, 7, 6);
        const DibPixels pixels = target.Pixels();
        for (int y = 0; y < pixels.height; ++y) {
            for (int x = 0; x < pixels.width; ++x) {
                const bool copied = x >= 7 && y >= 6 && !(x == 7 && y == 6);
                ASSERT_EQ(pixels.At(x, y), copied ? FILL : TARGET_PIXEL) << x << ", " << y;
            }
        }
    }
    {
        // Only the surface's bottom-right pixel lands on the target.
        Canvas target(10, -8);
        target.Pixels().Fill(TARGET_PIXEL);
        surface.Blit(target.dc, BLIT_BLACK_TRANSPARENT, -3, -2);
        EXPECT_EQ(CheckArea(target.Pixels(), RECT{0, 0, 1, 1}, CORNER, TARGET_PIXEL), "");
    }
}

TEST(MemorySurface, OtherBlitModesCopyNothing)
{
    MemorySurface surface(4, 3);
    PaintPattern(surface);
    for (const int mode : {0, 3, -1}) {
        Canvas target(10, -8);
        target.Pixels().Fill(TARGET_PIXEL);
        EXPECT_FALSE(surface.Blit(target.dc, mode, 0, 0)) << "mode " << mode;
        EXPECT_EQ(CheckArea(target.Pixels(), RECT{}, 0, TARGET_PIXEL), "") << "mode " << mode;
    }
}

TEST(MemorySurface, SurfaceWithoutABitmapCopiesNothing)
{
    for (const SIZE size : {SIZE{0, 0}, SIZE{-4, 3}, SIZE{4, -3}}) {
        MemorySurface surface(size.cx, size.cy);
        EXPECT_EQ(surface.bitmap, nullptr);
        Canvas target(10, -8);
        target.Pixels().Fill(TARGET_PIXEL);
        EXPECT_FALSE(surface.Blit(target.dc, BLIT_OPAQUE, 1, 1));
        EXPECT_FALSE(surface.Blit(target.dc, BLIT_BLACK_TRANSPARENT, 1, 1));
        EXPECT_EQ(CheckArea(target.Pixels(), RECT{}, 0, TARGET_PIXEL), "")
            << "size " << size.cx << " x " << size.cy;
    }
}
