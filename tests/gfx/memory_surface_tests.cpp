// Off-screen surfaces: their bitmap format and the two ways they are copied.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gfx/gfx.h"
#include "kit/test_pictures.h"

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
    pixels.At(1, 1) = Bgra(1, 0, 0, 0xFF);            // nearly black is no black
}

// A 10 x 8 target that every blit lands on, filled with TARGET_PIXEL.
struct Target : Canvas {
    Target() : Canvas(10, -8) { Pixels().Fill(TARGET_PIXEL); }
};

// Every pixel of `target` at (x, y) + (sx, sy) equals the surface's (sx, sy)
// where that lies inside the target, except that a black-transparent blit
// leaves the target under a black surface pixel, whatever its alpha; every
// other target pixel is untouched.
void ExpectCopiedAt(const MemorySurface& surface, const Canvas& target, int mode, int x, int y)
{
    const DibPixels source(surface.bitmap);
    const DibPixels pixels = target.Pixels();
    for (int ty = 0; ty < pixels.height; ++ty) {
        for (int tx = 0; tx < pixels.width; ++tx) {
            const int sx = tx - x;
            const int sy = ty - y;
            const bool covered = sx >= 0 && sy >= 0 && sx < surface.width && sy < surface.height;
            const bool black = covered && (source.At(sx, sy) & COLOUR_BITS) == 0;
            const bool copied = covered && !(mode == BLIT_BLACK_TRANSPARENT && black);
            const uint32_t want = copied ? source.At(sx, sy) : TARGET_PIXEL;
            ASSERT_EQ(pixels.At(tx, ty), want) << "target pixel (" << tx << ", " << ty << ")";
        }
    }
}

}  // namespace

TEST(MemorySurface, NewSurfaceHoldsABitmapOfItsSizeSelectedIntoItsDCAndFreesBoth)
{
    auto surface = std::make_unique<MemorySurface>(BUTTON_WIDTH, BUTTON_HEIGHT);
    EXPECT_EQ(surface->width, BUTTON_WIDTH);
    EXPECT_EQ(surface->height, BUTTON_HEIGHT);
    ASSERT_NE(surface->dc, nullptr);
    ASSERT_NE(surface->bitmap, nullptr);
    EXPECT_EQ(GetCurrentObject(surface->dc, OBJ_BITMAP), surface->bitmap);
    EXPECT_EQ(GetObjectType(surface->previousBitmap), static_cast<DWORD>(OBJ_BITMAP));

    // The bitmap is CreateAlphaBitmap's (a transparent, top-down 32-bit DIB;
    // DrawPicture.CreateAlphaBitmap* checks that), of the surface's size.
    const DibPixels pixels(surface->bitmap);
    EXPECT_EQ(pixels.width, BUTTON_WIDTH);
    EXPECT_EQ(pixels.height, BUTTON_HEIGHT);

    const HBITMAP bitmap = surface->bitmap;
    const HDC dc = surface->dc;
    surface.reset();
    EXPECT_EQ(GetObjectType(bitmap), 0u) << "destruction frees the bitmap";
    EXPECT_EQ(GetObjectType(dc), 0u) << "and the DC";
}

TEST(MemorySurface, BothBlitsCopyAlphaIncludedAndClipAtTheTargetEdgeWithoutMoving)
{
    MemorySurface surface(4, 3);
    PaintPattern(surface);
    // Wholly inside, then hanging over each corner of the target.
    const POINT corners[] = {{2, 3}, {-2, -1}, {8, 6}, {-3, 6}, {7, -2}};
    for (const int mode : {BLIT_OPAQUE, BLIT_BLACK_TRANSPARENT}) {
        for (const POINT& corner : corners) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", surface at (" << corner.x << ", " << corner.y
                                            << ")");
            Target target;
            EXPECT_TRUE(surface.Blit(target.dc, mode, corner.x, corner.y));
            ExpectCopiedAt(surface, target, mode, corner.x, corner.y);
        }
    }
}

TEST(MemorySurface, OtherModesAndSurfacesWithoutABitmapCopyNothing)
{
    struct Case { SIZE size; std::vector<int> modes; };
    const std::vector<int> bothModes = {BLIT_OPAQUE, BLIT_BLACK_TRANSPARENT};
    const Case cases[] = {
        {{4, 3}, {0, 3, -1}},  // modes that do not exist
        {{0, 0}, bothModes},   // sizes that make no bitmap
        {{-4, 3}, bothModes},
        {{4, -3}, bothModes},
    };
    for (const Case& c : cases) {
        MemorySurface surface(c.size.cx, c.size.cy);
        EXPECT_EQ(surface.bitmap != nullptr, c.size.cx > 0 && c.size.cy > 0);
        if (surface.bitmap) PaintPattern(surface);
        for (const int mode : c.modes) {
            SCOPED_TRACE(testing::Message() << "size " << c.size.cx << " x " << c.size.cy << ", mode " << mode);
            Target target;
            EXPECT_FALSE(surface.Blit(target.dc, mode, 0, 0));
            EXPECT_EQ(CheckArea(target.Pixels(), RECT{}, 0, TARGET_PIXEL), "");
        }
    }
}
