// Screen geometry shared by the modules: sums of coordinates that cannot
// wrap, and the points that window messages carry in their lParam.
// Header-only: the locator, the widgets and the bubble use it without
// linking the drawing code.
#pragma once

#include <windows.h>

#include <algorithm>
#include <limits>

// origin + extent, held at the ends of the 32-bit range instead of wrapping:
// rectangles come from another process and may hold any value.
inline LONG ClampedSum(LONG origin, LONG extent)
{
    const long long sum = static_cast<long long>(origin) + extent;
    return static_cast<LONG>(std::clamp<long long>(sum, std::numeric_limits<LONG>::min(),
                                                   std::numeric_limits<LONG>::max()));
}

// Mouse messages carry client coordinates as unsigned 16-bit words (the
// bubble sees the pointer only over itself, so they are never negative).
inline POINT ClientPointOf(LPARAM lParam)
{
    return {static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
}

// WM_MOVE carries screen coordinates as signed 16-bit words, negative left of
// or above the primary monitor.
inline POINT ScreenPointOf(LPARAM lParam)
{
    return {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
}
