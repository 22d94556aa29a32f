// PNG pictures decoded by GDI+ from the executable's own resources.
#include "gfx/gfx.h"
#include "gfx/gdi_guards.h"

#include <cstring>

using namespace Gdiplus::DllExports;

void* PngImage::operator new(std::size_t size) noexcept
{
    return GdipAlloc(size);
}

void PngImage::operator delete(void* memory) noexcept
{
    if (memory) GdipFree(memory);
}

PngImage::PngImage(IStream* stream) : nativeImage(nullptr), lastStatus(Gdiplus::InvalidParameter)
{
    if (stream) lastStatus = GdipLoadImageFromStream(stream, &nativeImage);
    if (lastStatus != Gdiplus::Ok) nativeImage = nullptr;
}

PngImage::PngImage(Gdiplus::GpImage* image, Gdiplus::GpStatus status) : nativeImage(image), lastStatus(status)
{
}

PngImage::~PngImage()
{
    if (nativeImage) GdipDisposeImage(nativeImage);
}

PngImage* PngImage::Clone()
{
    Gdiplus::GpImage* copy = nullptr;
    const Gdiplus::GpStatus status = GdipCloneImage(nativeImage, &copy);
    if (status != Gdiplus::Ok) {
        lastStatus = status;
        copy = nullptr;
    }
    PngImage* clone = new PngImage(copy, status);
    if (!clone && copy) GdipDisposeImage(copy);
    return clone;
}

// One size query (GdipGetImageWidth or GdipGetImageHeight): 0 when it fails,
// and the failing status kept in `lastStatus`.
static UINT QuerySize(Gdiplus::GpStatus (WINGDIPAPI* query)(Gdiplus::GpImage*, UINT*),
                      Gdiplus::GpImage* image, Gdiplus::GpStatus& lastStatus)
{
    UINT result = 0;
    const Gdiplus::GpStatus status = query(image, &result);
    if (status != Gdiplus::Ok) {
        lastStatus = status;
        return 0;
    }
    return result;
}

UINT PngImage::GetWidth()
{
    return QuerySize(GdipGetImageWidth, nativeImage, lastStatus);
}

UINT PngImage::GetHeight()
{
    return QuerySize(GdipGetImageHeight, nativeImage, lastStatus);
}

// Copies the resource bytes into a fixed global block and returns a stream
// over it, or null with the reason in `failure`. The block is freed here when
// no stream was made over it; once a stream exists, the block lives as long as
// the stream, which the decoder may read long after the load call returned.
static IStream* OpenResourceStream(int id, const char* type, Gdiplus::GpStatus& failure)
{
    failure = Gdiplus::Win32Error;
    const HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(static_cast<WORD>(id)), type);
    if (!info) return nullptr;
    const DWORD size = SizeofResource(nullptr, info);
    const HGLOBAL loaded = LoadResource(nullptr, info);
    const void* const bytes = loaded ? LockResource(loaded) : nullptr;
    IStream* stream = nullptr;
    if (bytes && size > 0) {
        const HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
        void* const copy = block ? GlobalLock(block) : nullptr;
        if (!copy) {
            failure = Gdiplus::OutOfMemory;
            if (block) GlobalFree(block);
        } else {
            std::memcpy(copy, bytes, size);
            GlobalUnlock(block);
            // The stream frees the block with its last reference: the
            // decoder keeps one for as long as the image lives, and a
            // picture drawn to another size lets its decoded image go.
            if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || !stream) {
                stream = nullptr;
                GlobalFree(block);
            }
        }
    }
    if (loaded) FreeResource(loaded);
    return stream;
}

PngImage* LoadPngResource(int id, const char* type)
{
    Gdiplus::GpStatus failure = Gdiplus::Ok;
    IStream* const stream = OpenResourceStream(id, type, failure);
    PngImage* const image = new PngImage(stream);
    if (image && !stream) image->lastStatus = failure;
    // The decoder holds its own reference to the stream for as long as it
    // needs it; the loader's reference ends here.
    if (stream) stream->Release();
    return image;
}

// The whole of `source`, drawn to a new width x height bitmap. Tiling the
// source by mirroring it keeps the filter from pulling transparent pixels in
// at the picture's edges.
static Gdiplus::GpBitmap* Resample(Gdiplus::GpImage* source, int width, int height)
{
    UINT sourceWidth = 0;
    UINT sourceHeight = 0;
    GdipGetImageWidth(source, &sourceWidth);
    GdipGetImageHeight(source, &sourceHeight);
    Gdiplus::GpBitmap* resized = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, &resized) != Gdiplus::Ok) {
        return nullptr;
    }
    Gdiplus::GpImageAttributes* attributes = nullptr;
    GdipCreateImageAttributes(&attributes);
    GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    const Graphics graphics(resized);
    Gdiplus::GpStatus status = Gdiplus::GenericError;
    if (graphics.Made()) {
        GdipSetCompositingMode(graphics.Get(), Gdiplus::CompositingModeSourceCopy);
        GdipSetInterpolationMode(graphics.Get(), Gdiplus::InterpolationModeHighQualityBicubic);
        GdipSetPixelOffsetMode(graphics.Get(), Gdiplus::PixelOffsetModeHighQuality);
        status = GdipDrawImageRectRectI(graphics.Get(), source, 0, 0, width, height, 0, 0,
                                        static_cast<INT>(sourceWidth), static_cast<INT>(sourceHeight),
                                        Gdiplus::UnitPixel, attributes, nullptr, nullptr);
    }
    if (attributes) GdipDisposeImageAttributes(attributes);
    if (status != Gdiplus::Ok) {
        GdipDisposeImage(resized);
        return nullptr;
    }
    return resized;
}

PngImage* LoadPngResourceSized(int id, const char* type, int width, int height)
{
    PngImage* const image = LoadPngResource(id, type);
    if (!image || !image->nativeImage || width <= 0 || height <= 0) return image;
    if (image->GetWidth() == static_cast<UINT>(width) && image->GetHeight() == static_cast<UINT>(height)) {
        return image;
    }
    Gdiplus::GpBitmap* const resized = Resample(image->nativeImage, width, height);
    if (resized) {
        GdipDisposeImage(image->nativeImage);
        image->nativeImage = resized;
    }
    return image;
}
