// Image buttons: windowless buttons drawn from state pictures onto their own
// surfaces, and a host that gives them mouse behaviour inside a parent window
// through a hidden, subclassed child window of the system "button" class.
#pragma once

#include <windows.h>
#include <map>

#include "gfx/geometry.h"
#include "gfx/gfx.h"

enum ButtonState : int {
    Normal = 1,
    Hover = 2,
    Pressed = 3,
};

constexpr int IMAGE_SLOT_COUNT = 6;  // slots 0..5; 0 is never filled
constexpr int OVERLAY_SLOT = 5;      // drawn over whichever state picture is drawn

// A rectangular button without a window. It composes its look (the picture of
// its state, plus the overlay) on its own surface; the host hit-tests its rect
// and copies the surface onto the parent's canvas.
class ImageButton {
public:
    ImageButton(const RECT& rectangle, UINT commandId);
    ImageButton(const ImageButton&) = delete;
    ImageButton& operator=(const ImageButton&) = delete;

    // Stores `image` in slot 1..5; any other slot is ignored. Does not render.
    void SetImage(int slot, PngImage* image);
    // Re-composes the surface: black, the picture of `slot` at imageOrigin,
    // then the overlay of slot 5 at badgeOrigin.
    void Render(int slot);
    // State transition for `message`, cursor choice (stored through
    // cursorSlot and applied), re-render. wParam and lParam are not used.
    void HandleMouse(UINT message, WPARAM wParam, LPARAM lParam, HCURSOR* cursorSlot);
    // Moves the button to `rectangle`; a rectangle of another size (the
    // bubble drawn at another scale) gets a surface of that size. Re-renders
    // the current state.
    void Reshape(const RECT& rectangle);

    PngImage* images[IMAGE_SLOT_COUNT];
    MemorySurface* surface;
    RECT rect;        // in the parent's client coordinates; right/bottom exclusive
    HDC targetDC;     // handed in by the host; the button itself draws only on surface
    int state;        // a ButtonState
    UINT commandId;
    POINT imageOrigin;
    POINT badgeOrigin;
    POINT reservedOrigin;
    BYTE reservedFlag;
    DWORD reservedValue;

private:
    void DrawImageAt(HDC dc, int x, int y, PngImage* image);
};

struct ButtonNode {
    ImageButton* button;  // null only in the sentinel
    ButtonNode* next;     // toward the tail
    ButtonNode* prev;     // toward the head; null only in the sentinel
};

constexpr int ID_HOST_CHILD = 1000;
constexpr int REDRAW_INVALIDATE = 1;  // InvalidateRect on the parent
constexpr int REDRAW_SEND_PAINT = 2;  // WM_PAINT sent to the parent

class ButtonHost {
public:
    ButtonHost();
    ButtonHost(const ButtonHost&) = delete;
    ButtonHost& operator=(const ButtonHost&) = delete;

    // Creates the zero-sized child under `parent`, registers and subclasses it.
    bool Attach(HWND parent);
    // position 0 appends; 1 or less prepends; k >= 2 makes it the k-th (or last).
    void AddButton(int position, ImageButton* button);
    // Copies every button's surface onto dc at its rect, first to last.
    void PaintButtons(HDC dc);
    // Sends cursor and mouse messages on to the child window; true when the
    // child's procedure answered non-zero.
    bool ForwardMouse(MSG message);
    void RequestRedraw(int mode, const RECT* area);

    ButtonNode* head;      // sentinel
    ButtonNode* lastNode;  // tail, null while empty
    HCURSOR cursor;        // applied on WM_SETCURSOR
    HWND childWindow;
    HDC targetDC;
};

// Child window -> its host. Entries are added by Attach and never removed.
extern std::map<HWND, ButtonHost*> HostRegistry;
// The procedure the most recent Attach replaced.
extern WNDPROC previousButtonProc;

LRESULT CALLBACK ButtonHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
