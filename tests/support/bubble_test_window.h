// Creates the real bubble window inside a test process, with the same class
// and arguments as the program, and pumps its messages while a test waits.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>

#include "app/app.h"
#include "bubble/bubble.h"

inline bool RegisterBubbleClassForTest()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW;
    windowClass.lpfnWndProc = BubbleWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = BUBBLE_CLASS_NAME;
    return RegisterClassA(&windowClass) != 0 ||
           GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The window is created exactly as the program creates it, so WM_CREATE
// locates the icon and builds the bubble (or gives up) before this returns.
inline HWND CreateBubbleWindowForTest()
{
    RegisterBubbleClassForTest();
    return CreateWindowExA(WS_EX_TOOLWINDOW, BUBBLE_CLASS_NAME, BUBBLE_WINDOW_TITLE, WS_POPUP, 0, 0,
                           BUBBLE_WIDTH, BUBBLE_HEIGHT, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

// Dispatches this thread's messages (other than WM_QUIT, which is left in
// the queue) until `done` holds or `timeoutMs` has passed. Returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now < 50 ? deadline - now : 50),
                                  QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (msg.message == WM_QUIT) return done();
            PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

// True when a WM_QUIT is waiting in this thread's queue; takes it out.
inline bool TakeQuitMessage(int* exitCode = nullptr)
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    if (exitCode) *exitCode = static_cast<int>(msg.wParam);
    return true;
}

// A pixel of the bubble's canvas as 0xAARRGGBB, premultiplied.
inline DWORD CanvasPixel(int x, int y)
{
    DIBSECTION section = {};
    if (GetObjectA(bubbleState.canvasBitmap, sizeof section, &section) != sizeof section) return 0;
    GdiFlush();
    const BYTE* row = static_cast<const BYTE*>(section.dsBm.bmBits) +
                      static_cast<size_t>(y) * section.dsBm.bmWidthBytes;
    DWORD pixel = 0;
    memcpy(&pixel, row + 4 * static_cast<size_t>(x), sizeof pixel);
    return pixel;
}

inline BYTE AlphaOf(DWORD argb) { return static_cast<BYTE>(argb >> 24); }
inline BYTE RedOf(DWORD argb) { return static_cast<BYTE>(argb >> 16); }
inline BYTE GreenOf(DWORD argb) { return static_cast<BYTE>(argb >> 8); }
inline BYTE BlueOf(DWORD argb) { return static_cast<BYTE>(argb); }

// A timer's existence, found by killing it: KillTimer fails for a timer that
// is not running. Restarts it with `periodMs` when it was running.
inline bool TimerRunning(HWND window, UINT_PTR id, UINT periodMs)
{
    if (!KillTimer(window, id)) return false;
    SetTimer(window, id, periodMs, nullptr);
    return true;
}
