// 32-bit premultiplied-alpha bitmaps and drawing GDI+ pictures onto them.
#include "gfx/gfx.h"
#include "gfx/gdi_guards.h"
#include "gfx/geometry.h"

#include <cstring>

constexpr WORD ALPHA_BITS_PER_PIXEL = 32;
constexpr int ALPHA_BYTES_PER_PIXEL = 4;

// The size of the bitmap selected into dc when it is a 32-bit uncompressed
// DIB section: the only kind whose bytes hold premultiplied BGRA.
static bool FindAlphaBitmapSize(HDC dc, SIZE& size)
{
    DIBSECTION section{};
    if (!DescribeAlphaBitmap(static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP)), section)) return false;
    size = SIZE{section.dsBm.bmWidth, section.dsBm.bmHeight};
    return true;
}

// GDI+ composites with alpha and keeps premultiplied results only when it
// draws into a bitmap of PixelFormat32bppPARGB; drawing through a graphics
// object on the DC would treat the pixels as opaque RGB. So the covered part
// of the DC's bitmap is copied (all 32 bits) into a scratch surface whose
// rows are known to run top-down, wrapped as a PARGB bitmap, drawn on and
// copied back. The scratch copy is needed because GDI does not tell whether
// a DIB section's rows run top-down or bottom-up: GetObject reports a
// positive height for both.
static void DrawOntoAlphaBitmap(HDC dc, SIZE bitmapSize, Gdiplus::GpImage* image,
                                int x, int y, int width, int height)
{
    using namespace Gdiplus::DllExports;
    const RECT wanted{x, y, ClampedSum(x, width), ClampedSum(y, height)};
    const RECT bounds{0, 0, bitmapSize.cx, bitmapSize.cy};
    RECT covered{};
    if (!IntersectRect(&covered, &wanted, &bounds)) return;
    const int coveredWidth = covered.right - covered.left;
    const int coveredHeight = covered.bottom - covered.top;

    MemorySurface scratch(coveredWidth, coveredHeight);
    DIBSECTION section{};
    if (!DescribeAlphaSurface(scratch, section)) return;
    BitBlt(scratch.dc, 0, 0, coveredWidth, coveredHeight, dc, covered.left, covered.top, SRCCOPY);
    // GDI may still be writing the scratch bytes that GDI+ is about to read.
    GdiFlush();

    OwnedImage target;
    if (GdipCreateBitmapFromScan0(coveredWidth, coveredHeight, section.dsBm.bmWidthBytes,
                                  PixelFormat32bppPARGB, static_cast<BYTE*>(section.dsBm.bmBits),
                                  target.Out()) != Gdiplus::Ok) {
        return;
    }
    {
        const Graphics graphics(target.Get());
        if (!graphics.Made()) return;
        GdipDrawImageRectI(graphics.Get(), image, x - covered.left, y - covered.top, width, height);
    }
    BitBlt(dc, covered.left, covered.top, coveredWidth, coveredHeight, scratch.dc, 0, 0, SRCCOPY);
}

static void DrawThroughDC(HDC dc, Gdiplus::GpImage* image, int x, int y, int width, int height)
{
    const Graphics graphics(dc);
    if (graphics.Made()) Gdiplus::DllExports::GdipDrawImageRectI(graphics.Get(), image, x, y, width, height);
}

bool DescribeAlphaBitmap(HBITMAP bitmap, DIBSECTION& section)
{
    if (!bitmap || GetObjectA(bitmap, sizeof section, &section) != sizeof section) return false;
    return section.dsBm.bmBits && section.dsBmih.biBitCount == ALPHA_BITS_PER_PIXEL &&
           section.dsBmih.biCompression == BI_RGB;
}

bool DescribeAlphaSurface(const MemorySurface& surface, DIBSECTION& section)
{
    // A surface whose bitmap was never selected draws into GDI's default
    // 1 x 1 bitmap, not into its own.
    return surface.previousBitmap && DescribeAlphaBitmap(surface.bitmap, section);
}

HBITMAP CreateAlphaBitmap(HDC referenceDC, int width, int height)
{
    if (width <= 0 || height <= 0) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: top-down, row 0 first in memory
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = ALPHA_BITS_PER_PIXEL;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(referenceDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    // 32-bit rows need no padding.
    std::memset(bits, 0, static_cast<size_t>(width) * ALPHA_BYTES_PER_PIXEL * static_cast<size_t>(height));
    return bitmap;
}

void DrawPicture(HDC dc, Gdiplus::GpImage* image, int x, int y, int width, int height)
{
    if (!dc || !image || width <= 0 || height <= 0) return;
    SIZE bitmapSize{};
    if (FindAlphaBitmapSize(dc, bitmapSize)) {
        DrawOntoAlphaBitmap(dc, bitmapSize, image, x, y, width, height);
    } else {
        DrawThroughDC(dc, image, x, y, width, height);
    }
}
