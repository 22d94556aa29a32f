// The dismiss button as the tests meet it: a point on it, the two cursors,
// and the mouse messages of a complete click.
#pragma once

#include <windows.h>

#include "bubble/bubble.h"

// A point inside the dismiss button on the right-side picture.
constexpr LPARAM ON_BUTTON = MAKELPARAM(150, 45);

inline HCURSOR Hand() { return LoadCursorA(nullptr, IDC_HAND); }
inline HCURSOR Arrow() { return LoadCursorA(nullptr, IDC_ARROW); }

// The pointer arrives at `point`, presses and releases there.
constexpr UINT CLICK_MESSAGES[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP};
constexpr WPARAM KeysDuring(UINT message) { return message == WM_LBUTTONDOWN ? MK_LBUTTON : 0; }

inline void SendClick(HWND window, LPARAM point)
{
    for (const UINT message : CLICK_MESSAGES) SendMessageA(window, message, KeysDuring(message), point);
}

// Posted, for a window of another process.
inline void PostClick(HWND window, LPARAM point)
{
    for (const UINT message : CLICK_MESSAGES) PostMessageA(window, message, KeysDuring(message), point);
}
