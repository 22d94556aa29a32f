// What the bubble reads of the display and the user's settings: the icon's
// monitor (its work area and scale) and whether windows may animate.
#include "bubble/bubble.h"

namespace {

// MDT_EFFECTIVE_DPI: the DPI the user's scale setting gives the monitor.
constexpr int EFFECTIVE_DPI = 0;

using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetDpiForSystemFunction = UINT(WINAPI*)();

// Bound by name once: GetDpiForMonitor needs Windows 8.1, GetDpiForSystem
// Windows 10 1607.
template <typename Function>
Function Bound(const char* module, const char* name)
{
    const HMODULE loaded = LoadLibraryA(module);   // kept for the process's life
    return loaded ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name))) : nullptr;
}

UINT SystemDpi()
{
    static const auto getDpiForSystem = Bound<GetDpiForSystemFunction>("user32.dll", "GetDpiForSystem");
    if (getDpiForSystem != nullptr) return getDpiForSystem();
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : STANDARD_DPI;
}

UINT MonitorDpi(HMONITOR monitor)
{
    static const auto getDpiForMonitor = Bound<GetDpiForMonitorFunction>("shcore.dll", "GetDpiForMonitor");
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (getDpiForMonitor != nullptr && SUCCEEDED(getDpiForMonitor(monitor, EFFECTIVE_DPI, &dpiX, &dpiY)) &&
        dpiX > 0) {
        return dpiX;
    }
    return SystemDpi();
}

}  // namespace

IconDisplay DisplayOfIcon(const IconRect& icon)
{
    const RECT bounds{icon.left, icon.top, icon.right, icon.bottom};
    const HMONITOR monitor = MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor == nullptr || !GetMonitorInfoA(monitor, &info)) {
        // No monitor to ask: the primary screen's full-screen area.
        const RECT primary{0, 0, GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN)};
        return {primary, SystemDpi()};
    }
    return {info.rcWork, MonitorDpi(monitor)};
}

bool AnimationsOn()
{
    BOOL animate = TRUE;
    // A system that cannot answer animates, as it always did.
    return !SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &animate, 0) || animate != FALSE;
}
