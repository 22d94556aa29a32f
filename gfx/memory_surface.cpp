// Off-screen drawing surfaces: a memory DC with its own 32-bit alpha bitmap.
#include "gfx/gfx.h"
#include "gfx/gdi_guards.h"

#include <cstdint>

// The colour bits of a BGRA pixel word; pure black (any alpha) is the
// transparent colour of BLIT_BLACK_TRANSPARENT.
constexpr uint32_t COLOUR_BITS = 0x00FFFFFF;

// Copies every pixel of the surface that is not pure black onto the target
// and leaves the target's own pixel, alpha included, under every black one.
// TransparentBlt cannot do this for 32-bit surfaces: it compares the colour
// key with the whole pixel, so opaque black (alpha 255) counts as a colour,
// and it writes the target back without its alpha byte. Instead the covered
// part of the target is copied into a scratch bitmap, merged there pixel by
// pixel and copied back.
static BOOL BlitSkippingBlack(const MemorySurface& surface, HDC targetDC, int x, int y)
{
    DIBSECTION source{};
    if (!DescribeAlphaSurface(surface, source)) return FALSE;
    MemorySurface scratch(surface.width, surface.height);
    DIBSECTION merged{};
    if (!DescribeAlphaSurface(scratch, merged)) return FALSE;
    BitBlt(scratch.dc, 0, 0, surface.width, surface.height, targetDC, x, y, SRCCOPY);
    GdiFlush();
    // Both bitmaps come from CreateAlphaBitmap: top-down rows of 32-bit pixels.
    const auto* from = static_cast<const uint32_t*>(source.dsBm.bmBits);
    auto* to = static_cast<uint32_t*>(merged.dsBm.bmBits);
    const size_t count = static_cast<size_t>(surface.width) * static_cast<size_t>(surface.height);
    for (size_t i = 0; i < count; ++i) {
        if (from[i] & COLOUR_BITS) to[i] = from[i];
    }
    return BitBlt(targetDC, x, y, surface.width, surface.height, scratch.dc, 0, 0, SRCCOPY);
}

MemorySurface::MemorySurface(int surfaceWidth, int surfaceHeight)
    : dc(nullptr), width(surfaceWidth), height(surfaceHeight), bitmap(nullptr), previousBitmap(nullptr)
{
    const WindowDC screen(nullptr);
    dc = CreateCompatibleDC(screen.Get());
    bitmap = CreateAlphaBitmap(screen.Get(), width, height);
    // Kept selected for the surface's life, so no scope guard: the
    // destructor puts previousBitmap back.
    if (dc && bitmap) previousBitmap = SelectObject(dc, bitmap);
}

MemorySurface::~MemorySurface()
{
    // The bitmap can only be deleted once no DC has it selected.
    if (dc && previousBitmap) SelectObject(dc, previousBitmap);
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
}

BOOL MemorySurface::Blit(HDC targetDC, int mode, int x, int y)
{
    // Without its own bitmap the DC still holds GDI's default 1 x 1 one,
    // which must not be copied out as if it were the surface.
    if (!dc || !bitmap || !previousBitmap) return FALSE;
    switch (mode) {
    case BLIT_OPAQUE:
        // Between two 32-bit DIB sections this copies the alpha byte as well.
        return BitBlt(targetDC, x, y, width, height, dc, 0, 0, SRCCOPY);
    case BLIT_BLACK_TRANSPARENT:
        return BlitSkippingBlack(*this, targetDC, x, y);
    default:
        return FALSE;
    }
}
