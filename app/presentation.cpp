// The one road from the bubble's canvas to the screen.
#include <windows.h>

#include "app/app.h"
#include "bubble/bubble.h"

namespace {

using UpdateLayeredWindowFunction = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                                  BLENDFUNCTION*, DWORD);

// Never activate: an activated bottom window is raised above the user's
// applications (and takes their focus), which is exactly what the bubble must
// not do.
constexpr UINT BOTTOM_OF_Z_ORDER_FLAGS = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;

constexpr DWORD LOW_BYTE = 0xFF;

}  // namespace

BOOL CallUpdateLayeredWindow(HWND window, HDC destinationDC, POINT* destinationPoint, SIZE* size,
                             HDC sourceDC, POINT* sourcePoint, COLORREF colourKey,
                             BLENDFUNCTION* blend, DWORD flags)
{
    const HMODULE user32 = LoadLibraryA("User32.DLL");
    if (!user32) return FALSE;
    BOOL result = FALSE;
    const FARPROC address = GetProcAddress(user32, "UpdateLayeredWindow");
    if (address) {
        const auto function =
            reinterpret_cast<UpdateLayeredWindowFunction>(reinterpret_cast<void*>(address));
        result = function(window, destinationDC, destinationPoint, size, sourceDC, sourcePoint,
                          colourKey, blend, flags);
    }
    const DWORD error = GetLastError();
    FreeLibrary(user32);
    SetLastError(error);
    return result;
}

void PushCanvas(HWND window, int width, int height)
{
    POINT destination = {bubbleState.windowX, bubbleState.windowY};
    SIZE size = {width, height};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(static_cast<DWORD>(bubbleState.alpha) & LOW_BYTE),
                           AC_SRC_ALPHA};
    const BOOL presented = CallUpdateLayeredWindow(window, nullptr, &destination, &size,
                                                   bubbleState.canvasDC, &source, 0, &blend, ULW_ALPHA);
    const DWORD error = presented ? ERROR_SUCCESS : GetLastError();

    ++shellCounters.presentations;
    shellCounters.lastSize = size;
    shellCounters.lastAlpha = blend.SourceConstantAlpha;
    shellCounters.lastPoint = destination;
    shellCounters.lastResult = presented;
    shellCounters.lastError = error;
    if (!presented) ++shellCounters.failedPresentations;
}

void SendBubbleToBottom(HWND window)
{
    SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, BOTTOM_OF_Z_ORDER_FLAGS);
}

void PresentBubble(HWND window, int width, int height)
{
    bubbleState.buttonHost->PaintButtons(bubbleState.canvasDC);
    PushCanvas(window, width, height);
    SendBubbleToBottom(window);
}
