// Reading and writing the pixels of a 32-bit DIB section, and the channels of
// a pixel: shared by every test that looks at a surface or the canvas.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace testpictures {

// A 32-bit DIB pixel as it sits in memory (B, G, R, A), read as one word.
constexpr uint32_t Bgra(uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}
// The colour channels of a pixel, without its alpha.
constexpr uint32_t COLOUR_BITS = 0x00FFFFFF;
constexpr BYTE AlphaOf(uint32_t pixel) { return static_cast<BYTE>(pixel >> 24); }
constexpr BYTE RedOf(uint32_t pixel) { return static_cast<BYTE>(pixel >> 16); }
constexpr BYTE GreenOf(uint32_t pixel) { return static_cast<BYTE>(pixel >> 8); }
constexpr BYTE BlueOf(uint32_t pixel) { return static_cast<BYTE>(pixel); }

// The pixels of a 32-bit DIB section, top row first. GDI does not tell which
// way up a section's rows run (GetObject reports a positive height for
// both), so the caller says; every surface of the program runs top-down.
class DibPixels {
public:
    explicit DibPixels(HBITMAP bitmap, bool topDown = true) : bottomUp(!topDown)
    {
        GdiFlush();
        DIBSECTION section{};
        if (GetObjectA(bitmap, sizeof section, &section) != sizeof section || !section.dsBm.bmBits ||
            section.dsBm.bmBitsPixel != 32) {
            return;
        }
        width = section.dsBm.bmWidth;
        height = section.dsBm.bmHeight;
        rowWords = section.dsBm.bmWidthBytes / 4;
        bits = static_cast<uint32_t*>(section.dsBm.bmBits);
    }
    bool Valid() const { return bits != nullptr; }
    uint32_t& At(int x, int y) const
    {
        const int row = bottomUp ? height - 1 - y : y;
        return bits[static_cast<size_t>(row) * rowWords + x];
    }
    // The word stored first in memory, whichever pixel that is.
    uint32_t& FirstInMemory() const { return bits[0]; }
    // Every pixel, top row first; empty when the bitmap is not a 32-bit DIB.
    std::vector<uint32_t> All() const
    {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) pixels.push_back(At(x, y));
        return pixels;
    }
    void Fill(uint32_t pixel) const
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) At(x, y) = pixel;
    }

    int width = 0;
    int height = 0;

private:
    uint32_t* bits = nullptr;
    int rowWords = 0;
    bool bottomUp = false;
};

}  // namespace testpictures
