// The real bubble window inside a test process (or a benchmark), created with
// the program's class and arguments, and what a test reads of it: the quit
// message and the canvas.
#pragma once

#include <windows.h>

#include <utility>

#include "app/app.h"
#include "app/presentation.h"
#include "bubble/bubble.h"
#include "kit/dib_pixels.h"

using testpictures::AlphaOf;
using testpictures::BlueOf;
using testpictures::GreenOf;
using testpictures::RedOf;

// The window is created exactly as the program creates it, with the
// program's own class, so WM_CREATE locates the icon and builds the bubble
// (or gives up) before this returns.
inline HWND CreateBubbleWindowForTest()
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterBubbleClass(instance) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    return CreateWindowExA(WS_EX_TOOLWINDOW, BUBBLE_CLASS_NAME, BUBBLE_WINDOW_TITLE, WS_POPUP, 0, 0,
                           BUBBLE_WIDTH, BUBBLE_HEIGHT, nullptr, nullptr, instance, nullptr);
}

// Whether `window` covers exactly the bubble's 207 x 75 pixels with its
// top-left corner at (x, y).
inline bool CoversBubbleAt(HWND window, LONG x, LONG y)
{
    RECT bounds{};
    return GetWindowRect(window, &bounds) && bounds.left == x && bounds.top == y &&
           bounds.right - bounds.left == BUBBLE_WIDTH && bounds.bottom - bounds.top == BUBBLE_HEIGHT;
}

// True when a WM_QUIT is waiting in this thread's queue; takes it out.
inline bool TakeQuitMessage(int* exitCode = nullptr)
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    if (exitCode) *exitCode = static_cast<int>(msg.wParam);
    return true;
}

// Two coordinates compared and printed as one: where the bubble was placed,
// where and how large it was last presented.
using XY = std::pair<LONG, LONG>;
inline XY PlacedAt() { return {bubbleState.lastPlacedX, bubbleState.lastPlacedY}; }
inline XY WindowAt() { return {bubbleState.windowX, bubbleState.windowY}; }
inline XY PresentedAt() { return {shellCounters.lastPoint.x, shellCounters.lastPoint.y}; }
inline XY PresentedSize() { return {shellCounters.lastSize.cx, shellCounters.lastSize.cy}; }

// A pixel of the bubble's canvas as 0xAARRGGBB, premultiplied.
inline DWORD CanvasPixel(int x, int y)
{
    const testpictures::DibPixels canvas(bubbleState.canvasBitmap);
    return canvas.Valid() ? canvas.At(x, y) : 0;
}
