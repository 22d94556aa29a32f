// Application shell: process start, single-instance guard, the bubble
// window's class and message dispatch, and layered presentation.
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

// GdiplusShutdown with the token kept in BubbleState; counted.
void ShutdownGdiplus();

// The bubble window's procedure.
LRESULT CALLBACK BubbleWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Paints the buttons onto the canvas and shows the canvas in the layered
// window at (windowX, windowY) with the given size and the current alpha,
// then sends the window back to the bottom of the z-order.
void PresentBubble(HWND window, int width, int height);

// Hands the canvas to the layered window at (windowX, windowY) with the given
// size and the current alpha; no buttons painted, no z-order change.
void PushCanvas(HWND window, int width, int height);

// Sends the window to the bottom of the z-order without moving, resizing or
// activating it.
void SendBubbleToBottom(HWND window);

// UpdateLayeredWindow, bound by name at run time; FALSE when unavailable.
// The last error is the call's own.
BOOL CallUpdateLayeredWindow(HWND window, HDC destinationDC, POINT* destinationPoint, SIZE* size,
                             HDC sourceDC, POINT* sourcePoint, COLORREF colourKey,
                             BLENDFUNCTION* blend, DWORD flags);

// What the shell did, kept for diagnostics and tests.
struct ShellCounters {
    int presentations = 0;     // canvases handed to the window (creation and PresentBubble)
    SIZE lastSize = {0, 0};    // the size of the latest presentation
    int lastAlpha = -1;        // its constant alpha
    POINT lastPoint = {0, 0};  // its destination point
    BOOL lastResult = FALSE;   // what UpdateLayeredWindow answered for it
    DWORD lastError = ERROR_SUCCESS;  // the last error after a refusal, else ERROR_SUCCESS
    int failedPresentations = 0;      // presentations UpdateLayeredWindow refused
    int gdiplusShutdowns = 0;
};
extern ShellCounters shellCounters;
