// The bubble window's own behaviour: its state record, placement beside the
// icon, creation, the fade and grow animations, icon tracking and mouse input.
#pragma once

#include <windows.h>

#include "gfx/gfx.h"
#include "locator/locator.h"
#include "widgets/widgets.h"

// Fixed geometry, in pixels at 96 DPI (100 %). At another scale every length
// is its 96-DPI value scaled by Scaled().
constexpr int BUBBLE_WIDTH = 207;
constexpr int BUBBLE_HEIGHT = 75;
constexpr int RIGHT_SIDE_OVERLAP = 10;                               // x = icon right - 10
constexpr int LEFT_SIDE_OFFSET = BUBBLE_WIDTH - RIGHT_SIDE_OVERLAP;  // x = icon left - 197
constexpr RECT DISMISS_RECT_RIGHT_SIDE = {125, 35, 191, 59};
constexpr RECT DISMISS_RECT_LEFT_SIDE = {116, 35, 182, 59};
constexpr UINT ID_DISMISS_BUTTON = 2000;
constexpr POINT DISMISS_BADGE_ORIGIN = {66, 24};

// The scale: the effective DPI of the monitor that holds the icon.
constexpr UINT STANDARD_DPI = USER_DEFAULT_SCREEN_DPI;   // 100 %
// A length of the bubble at `dpi`: its 96-DPI value scaled, halves rounded
// away from zero, so that nothing changes at 96 DPI.
inline int Scaled(int length, UINT dpi)
{
    return MulDiv(length, static_cast<int>(dpi), static_cast<int>(STANDARD_DPI));
}
// The scales the pictures are drawn for, in per cent; set k of the
// pictures has the resource ids of the 100 % set plus k * IDP_SCALE_STEP.
constexpr int PICTURE_PERCENTS[] = {100, 125, 150, 175, 200, 225, 250, 300};

// Timers of the bubble window (none has a timer procedure).
constexpr UINT_PTR TIMER_TRACK = 100;
constexpr UINT_PTR TIMER_FADE_OUT = 101;
constexpr UINT_PTR TIMER_GROW = 102;
constexpr UINT_PTR TIMER_FADE_IN = 103;
constexpr UINT TRACK_PERIOD_MS = 700;
constexpr UINT FADE_OUT_CLICK_PERIOD_MS = 50;
constexpr UINT FADE_OUT_VANISH_PERIOD_MS = 70;
constexpr UINT GROW_PERIOD_MS = 10;
constexpr UINT FADE_IN_PERIOD_MS = 50;

// Animation arithmetic.
constexpr int FADE_STEP = 30;
constexpr int ALPHA_OPAQUE = 255;
constexpr int GROW_DIVISOR = 20;
constexpr int GROW_DIVIDEND_X = 2 * BUBBLE_WIDTH;   // 414
constexpr int GROW_DIVIDEND_Y = 2 * BUBBLE_HEIGHT;  // 150
// SPI_GETCLIENTAREAANIMATION off: no fades and no grow (see AnimationsOn).

// The PNG resources (type "PNG") and the accessible name searched for.
constexpr char PNG_RESOURCE_TYPE[] = "PNG";
constexpr char TARGET_ICON_NAME[] = "marrowtune";

// The program-wide record of the bubble: one instance, alive for the whole
// process. The objects it points to are made once and never released; the
// end of the process reclaims them. The one exception is the desktop list
// view's accessible object, a reference into the shell's process: it is
// released when the bubble ends, while COM is still initialised.
struct BubbleState {
    BYTE bubbleOnRight = 1;  // the bubble stands to the right of the icon
    LONG windowX = 0;        // windowX, windowY: the window's top-left corner,
    LONG windowY = 0;        // passed to the platform as one POINT
    LONG lastPlacedX = 0;
    LONG lastPlacedY = 0;
    int alpha = 0;           // low 8 bits: the constant alpha of every presentation
    BYTE dismissing = 0;     // the fade-out has begun
    BYTE pressStarted = 0;   // a left press began inside the dismiss button
    int growWidth = 0;
    int growHeight = 0;
    int growStepX = 0;
    int growStepY = 0;
    int growDivisor = GROW_DIVISOR;
    UINT dpi = STANDARD_DPI;   // the scale the canvas, pictures and button are made for
    HDC canvasDC = nullptr;
    HBITMAP canvasBitmap = nullptr;
    PngImage* bubbleImageRight = nullptr;
    PngImage* bubbleImageLeft = nullptr;
    PngImage* buttonImageNormal = nullptr;
    PngImage* buttonImageHover = nullptr;
    PngImage* buttonImagePressed = nullptr;
    ImageButton* dismissButton = nullptr;
    ButtonHost* buttonHost = nullptr;
    ULONG_PTR gdiplusToken = 0;
    // A tracking tick is running. Its accessibility calls to the shell wait
    // in COM's modal loop, which may dispatch messages; a tick arriving then
    // must not start a second walk inside the first.
    BYTE trackingTick = 0;
    // The desktop list view's accessible object, kept from walk to walk (see
    // WalkDesktopItems for when the locator lets it go).
    DesktopListObject desktopList;
    // The top-level window that holds the desktop's icons, as the latest walk
    // that found the icon met it: the bubble stands directly above it.
    HWND desktopWindow = nullptr;
};

extern BubbleState bubbleState;

// The monitor that holds the icon's rectangle (the nearest one when none
// does): its work area, where the bubble must fit, and its effective DPI.
struct IconDisplay {
    RECT workArea;
    UINT dpi;
};
IconDisplay DisplayOfIcon(const IconRect& icon);

// Where the bubble goes beside an icon: on the right while it fits inside the
// work area's right edge, else on the left; all lengths at `dpi`.
struct BubblePlacement {
    LONG x;
    LONG y;
    bool onRight;
};
BubblePlacement PlaceBubble(const IconRect& icon, const RECT& workArea, UINT dpi);

// Whether the user lets windows animate (Settings, Accessibility, Visual
// effects: SPI_GETCLIENTAREAANIMATION). Off: the bubble appears at full
// opacity at once, jumps to a new place at full size, and ends at once.
bool AnimationsOn();

// True once creation has made the dismiss button and its host; every case
// that uses them gives default handling before that. A canvas that could not
// be made does not count: the bubble then works on without being seen.
bool BubbleBuilt();

// Ends the process quietly: releases the desktop list view's object, shuts
// GDI+ down and posts the quit message. Both ends of the bubble come here:
// no icon at creation, and WM_DESTROY after the fade-out.
void EndBubbleQuietly();
// How often GDI+ was shut down (once in a process's life; read by tests).
extern int gdiplusShutdowns;

// WM_CREATE: places and builds the bubble beside the icon and starts its
// timers. Returns false (after EndBubbleQuietly) when the icon is not found.
bool CreateBubble(HWND window);
// WM_MOVE: records the new position; false when it was not recorded.
bool RecordBubbleMove(HWND window, LPARAM lParam);

// WM_PAINT: the whole bubble presented again.
void RepaintBubble(HWND window);
// WM_ACTIVATE: back directly above the desktop's icons.
void KeepBubbleAboveDesktop(HWND window);

// WM_GETOBJECT for OBJID_CLIENT: the bubble's accessible object, as the
// LRESULT to return (see bubble/accessible.cpp).
LRESULT AnswerAccessibleObject(HWND window, WPARAM objectFlags);

// WM_TIMER: the animation or the tracking tick of `timerId`.
void OnBubbleTimer(HWND window, WPARAM timerId);

// Mouse input. Each forwards to the button host as its rules say.
void OnBubbleSetCursor(HWND window, WPARAM wParam, LPARAM lParam);
void OnBubbleMouseMove(HWND window, WPARAM wParam, LPARAM lParam);
void OnBubbleLButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
void OnBubbleLButtonUp(HWND window, WPARAM wParam, LPARAM lParam);
