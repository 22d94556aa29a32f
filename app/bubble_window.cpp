// The bubble window's procedure: which messages it answers and how. The work
// of each case lives with the behaviour it belongs to (bubble/, presentation).
#include <windows.h>

#include "app/app.h"
#include "bubble/bubble.h"

LRESULT CALLBACK BubbleWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        try {
            if (!CreateBubble(window)) return 1;  // icon not found: quit already posted
        } catch (...) {
            // A creation cut short leaves no timer to end the process, which
            // would then hold the single-instance mutex forever: end quietly.
            EndBubbleQuietly();
        }
        break;

    case WM_DESTROY:
        // Sent by the fade-out's last tick; the window itself is never destroyed.
        EndBubbleQuietly();
        return 0;

    case WM_MOVE:
        if (IsWindow(window) && RecordBubbleMove(window, lParam)) return 0;
        break;

    case WM_MOUSEACTIVATE:
        // A click must not activate the bubble: under Wine WS_EX_NOACTIVATE
        // alone does not stop it, and an activated bubble is raised over the
        // user's applications before WM_ACTIVATE sends it back down.
        return MA_NOACTIVATE;

    case WM_ACTIVATE:
        // Whatever the activation change, the bubble belongs beneath the
        // application windows, directly above the desktop icons.
        KeepBubbleAboveDesktop(window);
        break;

    case WM_PAINT:
        if (!IsWindow(window)) break;
        try {
            if (BubbleBuilt()) RepaintBubble(window);
        } catch (...) {
        }
        break;  // DefWindowProcA validates the update region

    case WM_SETCURSOR:
        if (!IsWindow(window) || !BubbleBuilt()) break;
        OnBubbleSetCursor(window, wParam, lParam);
        return TRUE;  // the host has set the cursor; the class cursor must not

    case WM_GETOBJECT:
        // The client area's accessible object: what screen readers read of
        // the bubble. The object id arrives as a DWORD in lParam.
        if (IsWindow(window) && BubbleBuilt() && static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT) {
            return AnswerAccessibleObject(window, wParam);
        }
        break;

    case WM_DPICHANGED:
        // Taken without moving to the rectangle the system suggests: that
        // follows the monitor holding most of the window, not the icon's,
        // and the next tracking tick finds the icon's scale and place.
        return 0;

    case WM_TIMER:
        if (IsWindow(window) && BubbleBuilt()) OnBubbleTimer(window, wParam);
        break;

    case WM_MOUSEMOVE:
        if (IsWindow(window) && BubbleBuilt()) OnBubbleMouseMove(window, wParam, lParam);
        break;

    case WM_LBUTTONDOWN:
        if (IsWindow(window) && BubbleBuilt()) OnBubbleLButtonDown(window, wParam, lParam);
        break;

    case WM_LBUTTONUP:
        if (IsWindow(window) && BubbleBuilt()) OnBubbleLButtonUp(window, wParam, lParam);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
