// The one road from the bubble's canvas to the screen.
#include "app/presentation.h"

namespace {

using UpdateLayeredWindowFunction = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                                  BLENDFUNCTION*, DWORD);

// Never activate: an activated window is raised above the user's
// applications (and takes their focus), which is exactly what the bubble must
// not do.
constexpr UINT Z_ORDER_ONLY = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;

constexpr DWORD LOW_BYTE = 0xFF;

}  // namespace

ShellCounters shellCounters;

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

void PushCanvas(HWND window, const CanvasView& view)
{
    POINT destination = view.at;
    SIZE size = view.size;
    // The window shows the canvas from its top-left corner: a smaller size
    // reveals the top-left part of the picture, unscaled.
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(static_cast<DWORD>(view.alpha) & LOW_BYTE),
                           AC_SRC_ALPHA};
    const BOOL presented = CallUpdateLayeredWindow(window, nullptr, &destination, &size, view.canvas, &source,
                                                   0, &blend, ULW_ALPHA);
    const DWORD error = presented ? ERROR_SUCCESS : GetLastError();

    ++shellCounters.presentations;
    shellCounters.lastSize = size;
    shellCounters.lastAlpha = blend.SourceConstantAlpha;
    shellCounters.lastPoint = destination;
    shellCounters.lastSource = source;
    shellCounters.lastResult = presented;
    shellCounters.lastError = error;
    if (!presented) ++shellCounters.failedPresentations;
}

void PlaceAboveDesktop(HWND window, HWND desktop)
{
    if (desktop == nullptr || !IsWindow(desktop)) {
        SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, Z_ORDER_ONLY);
        return;
    }
    const HWND above = GetWindow(desktop, GW_HWNDPREV);
    if (above == window) return;   // already directly above it
    // Inserted below the window that lies directly above the desktop's, the
    // bubble lies directly above the desktop's. When nothing lies above it,
    // or only topmost windows (which would pull the bubble into their band),
    // the top of the ordinary windows is that same place.
    const bool nothingOrdinaryAbove =
        above == nullptr || (GetWindowLongA(above, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    SetWindowPos(window, nothingOrdinaryAbove ? HWND_TOP : above, 0, 0, 0, 0, Z_ORDER_ONLY);
}

void PresentBubble(HWND window, ButtonHost& buttons, const CanvasView& view, HWND desktop)
{
    buttons.PaintButtons(view.canvas);
    PushCanvas(window, view);
    PlaceAboveDesktop(window, desktop);
}
