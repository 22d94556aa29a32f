// The baseline program (bench.exe bare): the bubble's platform work done bare
// in one layered window's WM_CREATE (docs/benchmarks.md). --track: then the
// walk and the monitor reads of a tick every tracking period, ending with 0
// when the icon has gone; --report-startup: ends at its first presentation.
#include <objidl.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstring>
#include <iterator>

#include "bench/bench.h"
#include "bubble/bubble.h"
#include "res/resource.h"

namespace bench {

namespace {

using namespace Gdiplus::DllExports;

constexpr const char* CLASS_NAME = "MarrowtuneBareBubble";
constexpr int BYTES_PER_PIXEL = 4, PERCENT = 100;
constexpr WORD BITS_PER_PIXEL = 32;
constexpr int PICTURE_IDS[] = {IDP_BUBBLE_RIGHT, IDP_BUBBLE_LEFT, IDP_BUTTON_HOVER, IDP_BUTTON_NORMAL,
                               IDP_BUTTON_PRESSED};

Gdiplus::GpImage* DecodePicture(int id)
{
    const HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(id), PNG_RESOURCE_TYPE);
    const DWORD size = info ? SizeofResource(nullptr, info) : 0;
    const void* bytes = info ? LockResource(LoadResource(nullptr, info)) : nullptr;
    const HGLOBAL block = bytes && size ? GlobalAlloc(GMEM_FIXED, size) : nullptr;
    IStream* stream = nullptr;
    if (!block) return nullptr;
    std::memcpy(block, bytes, size);
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) return nullptr;
    Gdiplus::GpImage* image = nullptr;
    GdipLoadImageFromStream(stream, &image);
    stream->Release();
    return image;
}

bool tracking = false, reporting = false;
LONGLONG enteredAt = 0;
IAccessible* keptList = nullptr;

bool Create(HWND window)
{
    IconRect icon{};
    if (!ReferenceWalk(keptList, icon)) return false;
    // At the icon's monitor's scale, with the pictures drawn for it.
    const int dpi = static_cast<int>(ReadIconMonitor(icon));
    const int width = MulDiv(BUBBLE_WIDTH, dpi, USER_DEFAULT_SCREEN_DPI);
    const int height = MulDiv(BUBBLE_HEIGHT, dpi, USER_DEFAULT_SCREEN_DPI);
    int set = 0;
    while (set + 1 < static_cast<int>(std::size(PICTURE_PERCENTS)) &&
           PICTURE_PERCENTS[set] * USER_DEFAULT_SCREEN_DPI < dpi * PERCENT) ++set;
    POINT at{icon.right - MulDiv(RIGHT_SIDE_OVERLAP, dpi, USER_DEFAULT_SCREEN_DPI), icon.top};
    SetWindowPos(window, HWND_BOTTOM, at.x, at.y, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Gdiplus::GpImage* pictures[std::size(PICTURE_IDS)] = {};
    for (size_t i = 0; i < std::size(PICTURE_IDS); ++i) pictures[i] = DecodePicture(PICTURE_IDS[i] + set * IDP_SCALE_STEP);
    BITMAPINFO info{{sizeof info.bmiHeader, width, -height, 1, BITS_PER_PIXEL, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    const HDC canvas = CreateCompatibleDC(nullptr);
    SelectObject(canvas, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    Gdiplus::GpBitmap* target = nullptr;
    GdipCreateBitmapFromScan0(width, height, width * BYTES_PER_PIXEL, PixelFormat32bppPARGB,
                              static_cast<BYTE*>(bits), &target);
    Gdiplus::GpGraphics* graphics = nullptr;
    GdipGetImageGraphicsContext(target, &graphics);
    GdipDrawImageRectI(graphics, pictures[0], 0, 0, width, height);
    GdipDeleteGraphics(graphics);
    GdipDisposeImage(target);
    POINT source{0, 0};
    SIZE size{width, height};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 0, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, nullptr, &at, &size, canvas, &source, 0, &blend, ULW_ALPHA);
    if (reporting) ReportStartup(enteredAt);
    if (tracking) SetTimer(window, TIMER_TRACK, TRACK_PERIOD_MS, nullptr);
    return true;
}

LRESULT CALLBACK BareWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    IconRect icon{};
    switch (message) {
    case WM_CREATE:
        if (!Create(window)) PostQuitMessage(0);
        return 0;
    case WM_TIMER:
        if (!ReferenceWalk(keptList, icon)) PostQuitMessage(0);
        ReadIconMonitor(icon);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

void ReportStartup(LONGLONG entered)
{
    std::printf("STARTUP %lld %lld\n", entered, Count());
    std::fflush(stdout);
    ExitProcess(0);
}

int RunBare(bool reportStartup, bool track)
{
    enteredAt = Count();
    reporting = reportStartup;
    tracking = track;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const WNDCLASSA windowClass{0, BareWindow, 0, 0, instance, nullptr, nullptr, nullptr, nullptr, CLASS_NAME};
    RegisterClassA(&windowClass);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &gdiplusInput, nullptr);
    if (CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, CLASS_NAME, "", WS_POPUP, 0, 0,
                        BUBBLE_WIDTH, BUBBLE_HEIGHT, nullptr, nullptr, instance, nullptr)) {
        MSG message{};
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    }
    ForgetList(keptList);
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
    return 0;
}

}  // namespace bench
