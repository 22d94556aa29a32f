// Graphics support: off-screen drawing surfaces, PNG pictures loaded from the
// executable's resources, and the one way pictures are drawn onto them.
//
// Every surface in this program (the bubble's canvas, each button's surface)
// is a 32-bit top-down DIB section holding premultiplied BGRA pixels, because
// that is what UpdateLayeredWindow with per-pixel alpha consumes. A bitmap
// from CreateCompatibleBitmap has no usable alpha channel (GDI+ drawing onto
// its device context treats it as opaque RGB), which would show the bubble as
// a black box or not at all.
#pragma once

#include <cstddef>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// Creates a width x height, 32 bits per pixel, top-down DIB section for
// `referenceDC` (any DC; null means the screen). All pixels start as
// transparent black (0, 0, 0, 0). Returns null on failure.
HBITMAP CreateAlphaBitmap(HDC referenceDC, int width, int height);

// The description of `bitmap` when it is a 32-bit uncompressed DIB section
// with its bits in reach (what CreateAlphaBitmap makes); false otherwise.
bool DescribeAlphaBitmap(HBITMAP bitmap, DIBSECTION& section);

// Draws `image` into the rectangle (x, y, width, height) of whatever bitmap is
// selected into `dc`, scaled to that rectangle and composited source-over with
// the picture's own alpha. When the selected bitmap is a 32-bit DIB section
// the result keeps correct premultiplied alpha; any other DC is drawn through
// an ordinary GDI+ graphics object on the DC. A null image, or a rectangle
// without area, draws nothing.
void DrawPicture(HDC dc, Gdiplus::GpImage* image, int x, int y, int width, int height);

// An off-screen drawing surface of a fixed size: a memory DC with its own
// bitmap selected, copied onto other DCs with Blit.
class MemorySurface {
public:
    MemorySurface(int width, int height);
    ~MemorySurface();
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;

    // Copies the whole surface onto `targetDC` with its top-left corner at
    // (x, y), clipped by the target. BLIT_OPAQUE copies every pixel, alpha
    // included; BLIT_BLACK_TRANSPARENT leaves the target's pixel unchanged
    // where the surface is exactly black (0, 0, 0, whatever its alpha) and
    // copies the whole pixel everywhere else. Any other mode, or a surface
    // without a bitmap, copies nothing and returns FALSE. Otherwise returns
    // the platform copy's success flag.
    BOOL Blit(HDC targetDC, int mode, int x, int y);

    HDC dc;
    int width;
    int height;
    HBITMAP bitmap;
    HGDIOBJ previousBitmap;
};

constexpr int BLIT_OPAQUE = 1;
constexpr int BLIT_BLACK_TRANSPARENT = 2;

// The description of a surface's own 32-bit bitmap, selected into its DC;
// false for a surface whose bitmap or selection failed.
bool DescribeAlphaSurface(const MemorySurface& surface, DIBSECTION& section);

// A decoded picture. Allocated with GDI+'s allocator, like the GDI+ classes
// themselves; `new` yields null (no exception) when that allocation fails.
class PngImage {
public:
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* memory) noexcept;

    // Decodes the PNG in `stream`; nativeImage stays null when that fails.
    explicit PngImage(IStream* stream);
    virtual ~PngImage();
    // A copy with its own native image; the failing status of the copy, if
    // any, is recorded in this image's lastStatus.
    virtual PngImage* Clone();

    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;

    // The picture's size in pixels, 0 when the query fails (the failing
    // status is kept in lastStatus).
    UINT GetWidth();
    UINT GetHeight();

    Gdiplus::GpImage* nativeImage;
    Gdiplus::GpStatus lastStatus;

private:
    PngImage(Gdiplus::GpImage* image, Gdiplus::GpStatus status);
};

// Loads the resource `id` of type `type` from the executable's own module and
// decodes it. Never null except when the PngImage object itself cannot be
// allocated; a missing or broken resource gives an image with a null
// nativeImage and a failing lastStatus. The caller owns the result.
PngImage* LoadPngResource(int id, const char* type);

// The resource `id` as LoadPngResource decodes it, made exactly `width` x
// `height` pixels: a picture of another size is drawn to that size with
// high-quality (bicubic) filtering into a new 32-bit premultiplied bitmap.
PngImage* LoadPngResourceSized(int id, const char* type, int width, int height);

// The native handle of `image`, null for a null image: what the drawing calls
// receive for a picture that failed to load.
inline Gdiplus::GpImage* NativeImageOf(const PngImage* image)
{
    return image ? image->nativeImage : nullptr;
}
