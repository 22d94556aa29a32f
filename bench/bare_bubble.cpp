// The baseline program of the start-up and idle benchmarks: the platform
// work of the bubble done bare. One layered window; in its WM_CREATE one
// accessibility walk, a 32-bit canvas, the five PNG decodes, the bubble
// picture drawn and one UpdateLayeredWindow. With --track it then walks the
// desktop every 700 ms on a list-view object it keeps, as the bubble's
// tracking does, and ends when the icon has gone.
//
//   bare-bubble.exe [--report-startup] [--track]
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

#include "bench/bare_walk.h"
#include "bench/startup_probe.h"
#include "res/resource.h"

namespace {

using namespace Gdiplus::DllExports;

constexpr const char* CLASS_NAME = "MarrowtuneBareBubble";
constexpr const char* TRACK_ARGUMENT = "--track";
constexpr const char* PNG_TYPE = "PNG";
constexpr int WIDTH = 207;
constexpr int HEIGHT = 75;
constexpr int BYTES_PER_PIXEL = 4;
constexpr LONG OVERLAP = 10;
constexpr UINT_PTR TRACK_TIMER = 1;
constexpr UINT TRACK_PERIOD_MS = 700;
constexpr int PICTURE_IDS[] = {IDP_BUBBLE_RIGHT, IDP_BUBBLE_LEFT, IDP_BUTTON_HOVER, IDP_BUTTON_NORMAL,
                               IDP_BUTTON_PRESSED};

bool tracking = false;
IAccessible* keptList = nullptr;   // the tracking walks' list-view object
Gdiplus::GpImage* pictures[sizeof PICTURE_IDS / sizeof PICTURE_IDS[0]] = {};
HDC canvasDC = nullptr;

Gdiplus::GpImage* Decode(int id)
{
    const HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(id), PNG_TYPE);
    const DWORD size = info ? SizeofResource(nullptr, info) : 0;
    const void* bytes = info ? LockResource(LoadResource(nullptr, info)) : nullptr;
    if (!bytes || size == 0) return nullptr;
    const HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
    if (!block) return nullptr;
    std::memcpy(block, bytes, size);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, FALSE, &stream))) return nullptr;
    Gdiplus::GpImage* image = nullptr;
    GdipLoadImageFromStream(stream, &image);
    stream->Release();
    return image;
}

bool Create(HWND window)
{
    IconRect icon{};
    if (!bench::BareLookup(bench::TARGET_NAME, icon)) return false;
    const POINT where{icon.right - OVERLAP, icon.top};
    SetWindowPos(window, HWND_BOTTOM, where.x, where.y, WIDTH, HEIGHT, SWP_SHOWWINDOW | SWP_NOACTIVATE);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = WIDTH;
    info.bmiHeader.biHeight = -HEIGHT;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    canvasDC = CreateCompatibleDC(nullptr);
    SelectObject(canvasDC, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));

    for (size_t i = 0; i < sizeof PICTURE_IDS / sizeof PICTURE_IDS[0]; ++i) pictures[i] = Decode(PICTURE_IDS[i]);

    Gdiplus::GpBitmap* target = nullptr;
    GdipCreateBitmapFromScan0(WIDTH, HEIGHT, WIDTH * BYTES_PER_PIXEL, PixelFormat32bppPARGB,
                              static_cast<BYTE*>(bits), &target);
    Gdiplus::GpGraphics* graphics = nullptr;
    GdipGetImageGraphicsContext(target, &graphics);
    GdipDrawImageRectI(graphics, pictures[0], 0, 0, WIDTH, HEIGHT);
    GdipDeleteGraphics(graphics);
    GdipDisposeImage(target);

    POINT destination = where;
    SIZE size{WIDTH, HEIGHT};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 0, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, nullptr, &destination, &size, canvasDC, &source, 0, &blend, ULW_ALPHA);
    if (tracking) SetTimer(window, TRACK_TIMER, TRACK_PERIOD_MS, nullptr);
    return true;
}

LRESULT CALLBACK BareWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (!Create(window)) PostQuitMessage(0);
        return 0;
    case WM_TIMER: {
        IconRect icon{};
        if (!bench::BareLookupHeld(bench::TARGET_NAME, icon, keptList)) PostQuitMessage(0);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR commandLine, int /*showCommand*/)
{
    bench::ReportStartupIfAsked(commandLine, CLASS_NAME);
    tracking = commandLine != nullptr && std::strstr(commandLine, TRACK_ARGUMENT) != nullptr;

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = BareWindow;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = CLASS_NAME;
    RegisterClassA(&windowClass);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &gdiplusInput, nullptr);

    if (CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, CLASS_NAME, "", WS_POPUP, 0, 0, WIDTH,
                        HEIGHT, nullptr, nullptr, instance, nullptr)) {
        MSG message{};
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    }
    if (keptList) keptList->Release();
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
    return 0;
}
