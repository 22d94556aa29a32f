// Application shell: process start, single-instance guard, the bubble
// window's class and its message dispatch.
#pragma once

#include <windows.h>

// "MRWT" followed by the code page 936 bytes of the four characters meaning
// "desktop bubble". Spelled as bytes so the source encoding cannot alter it.
constexpr char SINGLE_INSTANCE_MUTEX[] = "MRWT\xD7\xC0\xC3\xE6\xC6\xF8\xC5\xDD";
constexpr char BUBBLE_CLASS_NAME[] = "KOVATipBalloon_12345678987654321";
constexpr char BUBBLE_WINDOW_TITLE[] = "Win32 API";

// The body of WinMain: guards against a second copy, registers the class,
// starts GDI+ and COM, creates the bubble window and runs the message loop.
// Returns the exit code (always 0).
int RunBubble(HINSTANCE instance, int showCommand);

// Registers the bubble window's class (procedure, styles, icon, cursor and
// background) for `instance`. False when the platform refuses; GetLastError
// tells why (ERROR_CLASS_ALREADY_EXISTS when it is registered already).
bool RegisterBubbleClass(HINSTANCE instance);

// The bubble window's procedure.
LRESULT CALLBACK BubbleWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
