// Scope guards for the GDI and GDI+ handles that a function takes and must
// give back on every path: a window's device context, a GDI+ graphics
// object and a GDI+ image. (A device context with a bitmap selected for the
// span of one function is a MemorySurface.) Objects that live until
// the process ends (the canvas, the pictures, the buttons) stay plain
// handles and pointers; these are only for what one function holds.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// GetDC / ReleaseDC. A null window gives the screen's device context.
class WindowDC {
public:
    explicit WindowDC(HWND window) : owner(window), dc(GetDC(window)) {}
    ~WindowDC()
    {
        if (dc) ReleaseDC(owner, dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc; }

private:
    HWND owner;
    HDC dc;
};

// A GDI+ graphics object, deleted at the end. Made() is false when GDI+
// could not make one.
class Graphics {
public:
    explicit Graphics(HDC dc) { Gdiplus::DllExports::GdipCreateFromHDC(dc, &graphics); }
    explicit Graphics(Gdiplus::GpImage* image)
    {
        Gdiplus::DllExports::GdipGetImageGraphicsContext(image, &graphics);
    }
    ~Graphics()
    {
        if (graphics) Gdiplus::DllExports::GdipDeleteGraphics(graphics);
    }
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;
    bool Made() const { return graphics != nullptr; }
    Gdiplus::GpGraphics* Get() const { return graphics; }

private:
    Gdiplus::GpGraphics* graphics = nullptr;
};

// A GDI+ image (a bitmap wrapped around pixels, say), disposed at the end.
class OwnedImage {
public:
    OwnedImage() = default;
    ~OwnedImage()
    {
        if (image) Gdiplus::DllExports::GdipDisposeImage(image);
    }
    OwnedImage(const OwnedImage&) = delete;
    OwnedImage& operator=(const OwnedImage&) = delete;
    // Where a GDI+ call writes the new bitmap.
    Gdiplus::GpBitmap** Out() { return &image; }
    Gdiplus::GpBitmap* Get() const { return image; }

private:
    Gdiplus::GpBitmap* image = nullptr;
};
