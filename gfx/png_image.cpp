// PNG pictures decoded by GDI+ from the executable's own resources.
#include "gfx/gfx.h"

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
// over it, or null with the reason in `failure`. The block is freed here only
// when no stream was made over it; once a stream exists, the block stays for
// as long as the process runs, because the decoder may read it long after the
// load call returned.
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
            if (FAILED(CreateStreamOnHGlobal(block, FALSE, &stream)) || !stream) {
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
