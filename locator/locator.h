// Desktop icon locator: finds the shell's desktop list view and, through
// Microsoft Active Accessibility, the screen rectangle of the icon with a
// given accessible name.
#pragma once

#include <windows.h>
#include <string>

// A screen rectangle in pixels as the accessibility layer reports it
// (right = left + width, bottom = top + height); never clipped to the screen.
struct IconRect {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

// origin + extent, held at the ends of the 32-bit range instead of wrapping:
// rectangles come from another process and may hold any value.
LONG FarEdge(LONG origin, LONG extent);

// The desktop's "SysListView32" window, or null.
HWND FindDesktopListView();

// Looks for the first item of the desktop list view whose accessible name,
// in the ANSI code page, equals `name` exactly. On a match writes its screen
// rectangle to `rect` and returns true; otherwise returns false and leaves
// `rect` as it was. Never throws.
bool LocateDesktopIcon(std::string name, IconRect& rect);
