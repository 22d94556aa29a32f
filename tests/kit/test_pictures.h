// Test helpers shared by the graphics and widget tests: small PNG pictures
// made in memory with exactly known pixels, and 32-bit DIB canvases made
// without the code under test.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/gfx.h"
#include "kit/dib_pixels.h"

namespace testpictures {

// A straight (not premultiplied) colour, as stored in a PNG file.
struct Rgba {
    BYTE r, g, b, a;
};

// Opaque colours the tests paint with.
constexpr Rgba RED{255, 0, 0, 255};
constexpr Rgba GREEN{0, 255, 0, 255};
constexpr Rgba BLUE{0, 0, 255, 255};
constexpr Rgba MAGENTA{255, 0, 255, 255};

// The premultiplied pixel that `colour` becomes in a 32-bit DIB.
inline uint32_t Premultiplied(Rgba colour)
{
    const auto scale = [&](BYTE channel) { return (channel * colour.a + 127u) / 255u; };
    return Bgra(scale(colour.r), scale(colour.g), scale(colour.b), colour.a);
}

// Each of the four channels of `actual` lies within `tolerance` of `expected`.
inline testing::AssertionResult PixelNear(uint32_t actual, uint32_t expected, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        if (a - e > tolerance || e - a > tolerance) {
            char text[64];
            wsprintfA(text, "pixel %08lX, expected %08lX", static_cast<unsigned long>(actual),
                      static_cast<unsigned long>(expected));
            return testing::AssertionFailure() << text;
        }
    }
    return testing::AssertionSuccess();
}

inline uint32_t Crc32(const BYTE* data, size_t size, uint32_t crc)
{
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void PutBigEndian(std::vector<BYTE>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<BYTE>(value >> shift));
}

inline void PutChunk(std::vector<BYTE>& out, const char (&type)[5], const std::vector<BYTE>& data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(out.data() + start, out.size() - start, 0));
}

// An 8-bit RGBA, non-interlaced PNG of `pixels` (row by row, top first),
// compressed with stored (uncompressed) deflate blocks.
inline std::vector<BYTE> EncodePng(int width, int height, const std::vector<Rgba>& pixels)
{
    std::vector<BYTE> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter type None
        for (int x = 0; x < width; ++x) {
            const Rgba& p = pixels[static_cast<size_t>(y) * width + x];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    std::vector<BYTE> zlib = {0x78, 0x01};
    constexpr size_t MAX_STORED = 65535;
    size_t offset = 0;
    do {
        const size_t length = std::min(MAX_STORED, raw.size() - offset);
        const bool last = offset + length == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<BYTE>(length));
        zlib.push_back(static_cast<BYTE>(length >> 8));
        zlib.push_back(static_cast<BYTE>(~length));
        zlib.push_back(static_cast<BYTE>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + offset, raw.begin() + offset + length);
        offset += length;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (BYTE byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(zlib, (b << 16) | a);

    std::vector<BYTE> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<BYTE> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

// A pixel of a decoded picture as GDI+ reads it: straight 0xAARRGGBB.
inline uint32_t PicturePixel(PngImage* image, int x, int y)
{
    Gdiplus::ARGB argb = 0;
    Gdiplus::DllExports::GdipBitmapGetPixel(reinterpret_cast<Gdiplus::GpBitmap*>(image->nativeImage), x, y, &argb);
    return argb;
}

// Every pixel of a decoded picture, top row first.
inline std::vector<uint32_t> PicturePixels(PngImage* image)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < static_cast<int>(image->GetHeight()); ++y)
        for (int x = 0; x < static_cast<int>(image->GetWidth()); ++x) pixels.push_back(PicturePixel(image, x, y));
    return pixels;
}

// Decodes `bytes` into a PngImage the way the loader does: through a stream
// over a fresh global block, whose last reference the image then holds.
inline PngImage* DecodePng(const std::vector<BYTE>& bytes)
{
    IStream* stream = nullptr;
    if (const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size())) {
        if (void* target = GlobalLock(block)) {
            std::memcpy(target, bytes.data(), bytes.size());
            GlobalUnlock(block);
        }
        if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) GlobalFree(block);
    }
    PngImage* image = new PngImage(stream);
    if (stream) stream->Release();
    return image;
}

// A decoded picture that deletes itself.
using OwnedPicture = std::unique_ptr<PngImage>;

inline PngImage* PictureOf(int width, int height, const std::vector<Rgba>& pixels)
{
    return DecodePng(EncodePng(width, height, pixels));
}

inline PngImage* SolidPicture(int width, int height, Rgba colour)
{
    return PictureOf(width, height, std::vector<Rgba>(static_cast<size_t>(width) * height, colour));
}

// A 32-bit DIB section selected into a memory DC of its own, made without
// the code under test. A negative height builds it top-down.
class Canvas {
public:
    Canvas(int width, int height, WORD bitsPerPixel = 32) : dc(CreateCompatibleDC(nullptr)), topDown(height < 0)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = bitsPerPixel;
        info.bmiHeader.biCompression = BI_RGB;
        void* memory = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        previous = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    DibPixels Pixels() const { return DibPixels(bitmap, topDown); }

    HDC dc;
    HBITMAP bitmap = nullptr;
    bool topDown;

private:
    HGDIOBJ previous = nullptr;
};

// Every pixel of `pixels` equals `expected` inside `area` and is left alone
// (equal to `outside`) everywhere else. Returns the first mismatch for the
// failure message, or an empty string.
inline std::string CheckArea(const DibPixels& pixels, RECT area, uint32_t expected, uint32_t outside)
{
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            const POINT point{x, y};
            const uint32_t want = PtInRect(&area, point) ? expected : outside;
            if (pixels.At(x, y) != want) {
                char text[96];
                wsprintfA(text, "pixel (%d, %d) is %08lX, expected %08lX", x, y,
                          static_cast<unsigned long>(pixels.At(x, y)), static_cast<unsigned long>(want));
                return text;
            }
        }
    }
    return {};
}

}  // namespace testpictures
