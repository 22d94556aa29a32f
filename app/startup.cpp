// Process start: single-instance guard, window class, COM and GDI+, the bubble
// window and the message loop.
#include <windows.h>
#include <objbase.h>

#include <cstring>

#include "app/app.h"
#include "bubble/bubble.h"
#include "res/resource.h"

namespace {

// Filled by its constructor before the entry point runs: GDI+ version 1, no
// debug callback, background thread and external codecs not suppressed.
const Gdiplus::GdiplusStartupInput gdiplusStartupInput;

constexpr UINT BUBBLE_CLASS_STYLE = CS_VREDRAW | CS_HREDRAW;
constexpr DWORD BUBBLE_EX_STYLE_AT_CREATION = WS_EX_TOOLWINDOW;
constexpr DWORD BUBBLE_STYLE = WS_POPUP;  // no WS_VISIBLE: created hidden

// The bubble must never take the keyboard focus from the user's application,
// so every show command becomes a show without activation. A maximized show
// would also size the bubble to the screen; a minimized one would park it
// off the screen (at -32000, -32000 on Windows) and a hidden one would keep
// it out of sight, each leaving a bubble nobody can see or dismiss that holds
// the single-instance mutex until the icon goes. All of them become the plain
// non-activating show that keeps the bubble's size and place.
int NonActivatingShowCommand(int showCommand)
{
    return showCommand == SW_SHOW || showCommand == SW_SHOWNA ? SW_SHOWNA : SW_SHOWNOACTIVATE;
}

// Whether another copy holds the single-instance mutex. A copy running with
// more rights (started elevated by an installer) creates the mutex with a
// security descriptor that an unelevated copy may not open: that answer
// means "another copy runs" as much as finding the mutex does.
bool AnotherCopyRuns(DWORD createMutexError)
{
    return createMutexError == ERROR_ALREADY_EXISTS || createMutexError == ERROR_ACCESS_DENIED;
}

}  // namespace

bool RegisterBubbleClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = BUBBLE_CLASS_STYLE;
    windowClass.lpfnWndProc = BubbleWindow;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = BUBBLE_CLASS_NAME;
    return RegisterClassA(&windowClass) != 0;
}

int RunBubble(HINSTANCE instance, int showCommand)
{
    // Created owned and never closed: the mutex marks this copy as running
    // until the process ends. A second copy finds it and leaves at once.
    CreateMutexA(nullptr, TRUE, SINGLE_INSTANCE_MUTEX);
    if (AnotherCopyRuns(GetLastError())) {
        return 0;
    }

    char className[sizeof BUBBLE_CLASS_NAME];
    std::memcpy(className, BUBBLE_CLASS_NAME, sizeof className);

    if (!RegisterBubbleClass(instance)) {
        MessageBoxA(nullptr, "RegisterClassError!", "Error", MB_OK | MB_ICONERROR);
        return 0;
    }

    // The desktop's list view hands its accessible objects to other processes
    // through COM; a thread without an apartment never receives them.
    const HRESULT comResult = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    Gdiplus::GdiplusStartup(&bubbleState.gdiplusToken, &gdiplusStartupInput, nullptr);

    char title[sizeof BUBBLE_WINDOW_TITLE];
    std::memcpy(title, BUBBLE_WINDOW_TITLE, sizeof title);

    // WM_CREATE runs inside this call: it builds the bubble, or posts the
    // quit message when the icon is not on the desktop.
    const HWND window = CreateWindowExA(BUBBLE_EX_STYLE_AT_CREATION, className, title, BUBBLE_STYLE,
                                        0, 0, BUBBLE_WIDTH, BUBBLE_HEIGHT, nullptr, nullptr,
                                        instance, nullptr);
    if (!window) {
        if (SUCCEEDED(comResult)) CoUninitialize();
        return 0;
    }
    ShowWindow(window, NonActivatingShowCommand(showCommand));
    UpdateWindow(window);

    MSG msg = {};
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    // Normally released by the bubble's end already; a loop ended any other
    // way must not leave a reference into the shell behind COM's back.
    ReleaseDesktopListObject(bubbleState.desktopList);
    if (SUCCEEDED(comResult)) CoUninitialize();
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}
