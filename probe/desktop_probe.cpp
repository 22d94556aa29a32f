// desktop-probe.exe: tells, as plain text on standard output, what this
// Windows desktop answers to the questions the bubble asks, so that a user
// whose bubble stands in the wrong place can send us the facts:
//
//   desktop-probe.exe > probe.txt
//
// It prints the process's DPI awareness (the same manifest as the bubble's:
// per-monitor v1 or v2), each monitor's rectangle, work area and effective
// DPI, the screen metrics, the shell's desktop windows (class, title,
// rectangle, visibility, place in the z-order, owning process), every item of
// the desktop list view with its accessible name, raw accLocation answer and
// monitor, and where the bubble would stand: the scale and size it would be
// drawn at, its side and place, and the window it would stand directly above.
// It only reads; it changes nothing and shows no window.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "bubble/bubble.h"
#include "locator/locator.h"
#include "version.h"

namespace {

constexpr int TEXT_CHARS = 256;
constexpr int PERCENT_AT_STANDARD_DPI = 100;   // the scale, in per cent, at 96 DPI

// A function of user32 or shcore looked up by name: Windows 7 and 8 and
// Wine 8 lack some of them; null then.
template <typename Function>
Function Lookup(const char* module, const char* name)
{
    HMODULE handle = GetModuleHandleA(module);
    if (handle == nullptr) handle = LoadLibraryA(module);
    if (handle == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

const char* AwarenessName(int awareness)
{
    switch (awareness) {
    case 0: return "unaware";
    case 1: return "system aware";
    case 2: return "per-monitor aware";
    default: return "unknown";
    }
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2: Windows 10 1703 and later.
const HANDLE PER_MONITOR_V2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));

void PrintDpiAwareness()
{
    using GetContext = HANDLE(WINAPI*)();
    using AwarenessOf = int(WINAPI*)(HANDLE);
    using ContextsEqual = BOOL(WINAPI*)(HANDLE, HANDLE);
    using SystemDpi = UINT(WINAPI*)();
    const auto getContext = Lookup<GetContext>("user32.dll", "GetThreadDpiAwarenessContext");
    const auto awarenessOf = Lookup<AwarenessOf>("user32.dll", "GetAwarenessFromDpiAwarenessContext");
    const auto contextsEqual = Lookup<ContextsEqual>("user32.dll", "AreDpiAwarenessContextsEqual");
    const auto systemDpi = Lookup<SystemDpi>("user32.dll", "GetDpiForSystem");
    if (getContext != nullptr && awarenessOf != nullptr) {
        const HANDLE context = getContext();
        const int awareness = awarenessOf(context);
        const char* version = "";
        if (awareness == 2 && contextsEqual != nullptr) {
            version = contextsEqual(context, PER_MONITOR_V2) ? " v2" : " v1";
        }
        std::printf("dpi awareness: %s%s\n", AwarenessName(awareness), version);
    } else {
        std::printf("dpi awareness: %s (per-monitor awareness not offered)\n",
                    IsProcessDPIAware() ? "system aware" : "unaware");
    }
    const HDC screen = GetDC(nullptr);
    std::printf("system dpi: %u (device context: %d)\n", systemDpi != nullptr ? systemDpi() : 0u,
                GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    std::printf("screen metrics: SM_CXSCREEN %d, SM_CYSCREEN %d, SM_CXFULLSCREEN %d, SM_CYFULLSCREEN %d, "
                "virtual screen %d,%d %dx%d, monitors %d\n",
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN),
                GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                GetSystemMetrics(SM_CMONITORS));
}

// The monitors in the order they were printed, to name an icon's monitor.
std::vector<HMONITOR> monitors;

int MonitorNumber(HMONITOR monitor)
{
    for (size_t index = 0; index < monitors.size(); ++index) {
        if (monitors[index] == monitor) return static_cast<int>(index);
    }
    return -1;
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM counter)
{
    monitors.push_back(monitor);
    using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    const auto dpiForMonitor = Lookup<DpiForMonitor>("shcore.dll", "GetDpiForMonitor");
    constexpr int MDT_EFFECTIVE_DPI = 0;
    MONITORINFOEXA info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    UINT dpiX = 0;
    UINT dpiY = 0;
    const HRESULT dpiResult = dpiForMonitor != nullptr
        ? dpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY) : E_NOTIMPL;
    int& number = *reinterpret_cast<int*>(counter);
    std::printf("monitor %d: %s%s rect (%ld, %ld)-(%ld, %ld) work (%ld, %ld)-(%ld, %ld) dpi %u x %u (0x%08lX)\n",
                number++, info.szDevice, (info.dwFlags & MONITORINFOF_PRIMARY) ? " primary" : "",
                info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom,
                info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom, dpiX, dpiY,
                static_cast<unsigned long>(dpiResult));
    return TRUE;
}

std::string ProcessImage(DWORD processId)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) return "?";
    char path[MAX_PATH] = "?";
    DWORD length = sizeof path;
    if (!QueryFullProcessImageNameA(process, 0, path, &length)) std::strcpy(path, "?");
    CloseHandle(process);
    return path;
}

// One window: class, title, rectangle, visibility and owning process, with
// `depth` levels of indent and its place among the top-level windows.
void PrintWindow(HWND window, int depth, int zOrder)
{
    char className[TEXT_CHARS] = "";
    char title[TEXT_CHARS] = "";
    GetClassNameA(window, className, TEXT_CHARS);
    GetWindowTextA(window, title, TEXT_CHARS);
    RECT rect{};
    GetWindowRect(window, &rect);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    std::printf("%*s%p \"%s\" \"%s\" (%ld, %ld)-(%ld, %ld) %s", depth * 2, "", static_cast<void*>(window),
                className, title, rect.left, rect.top, rect.right, rect.bottom,
                IsWindowVisible(window) ? "visible" : "hidden");
    if (zOrder >= 0) std::printf(" z-order %d", zOrder);
    std::printf(" process %lu %s\n", static_cast<unsigned long>(processId), ProcessImage(processId).c_str());
}

bool ClassIs(HWND window, const char* wanted)
{
    char className[TEXT_CHARS] = "";
    GetClassNameA(window, className, TEXT_CHARS);
    return lstrcmpiA(className, wanted) == 0;
}

// The desktop's children that the bubble looks through, two levels deep.
BOOL CALLBACK PrintShellChild(HWND child, LPARAM depth)
{
    if (ClassIs(child, DEFVIEW_CLASS) || ClassIs(child, LIST_VIEW_CLASS)) {
        PrintWindow(child, static_cast<int>(depth), -1);
    }
    return TRUE;
}

// Every top-level "Progman" and "WorkerW" window, numbered by its place in
// the z-order from the top (0), with its shell children.
BOOL CALLBACK PrintShellTopLevel(HWND window, LPARAM counter)
{
    int& zOrder = *reinterpret_cast<int*>(counter);
    if (ClassIs(window, PROGMAN_CLASS) || ClassIs(window, WORKERW_CLASS)) {
        PrintWindow(window, 1, zOrder);
        EnumChildWindows(window, PrintShellChild, 2);
    }
    ++zOrder;
    return TRUE;
}

void PrintDesktopItems()
{
    int visited = 0;
    LONG count = -1;
    WalkDesktopItems([&](const DesktopItem& item) {
        LONG left = 0;
        LONG top = 0;
        LONG width = 0;
        LONG height = 0;
        const HRESULT result = item.Location(left, top, width, height);
        const RECT bounds{left, top, left + width, top + height};
        std::printf("  item %d: \"%s\" accLocation %ld, %ld, %ld x %ld (0x%08lX) monitor %d\n", visited++,
                    item.Name(), left, top, width, height, static_cast<unsigned long>(result),
                    MonitorNumber(MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST)));
        return false;
    }, &count);
    std::printf("items: %ld reported, %d named simple elements\n", count, visited);
}

// The window directly above which the bubble would stand, as the bubble's
// z-order step puts it.
void PrintZOrderStep()
{
    const HWND listView = FindDesktopListView();
    const HWND desktop = listView != nullptr ? GetAncestor(listView, GA_ROOT) : nullptr;
    if (desktop == nullptr) {
        std::printf("z-order: no desktop window: the bubble would go to the bottom\n");
        return;
    }
    std::printf("z-order: directly above the desktop's window\n");
    PrintWindow(desktop, 1, -1);
    const HWND above = GetWindow(desktop, GW_HWNDPREV);
    std::printf("  below the window now above it: ");
    if (above != nullptr) {
        PrintWindow(above, 0, -1);
    } else {
        std::printf("none (the desktop's window is the top one)\n");
    }
}

void PrintBubblePlace()
{
    IconRect icon{};
    if (!LocateDesktopIcon(TARGET_ICON_NAME, icon)) {
        std::printf("bubble: no icon named \"%s\": the program would end quietly\n", TARGET_ICON_NAME);
        return;
    }
    const RECT bounds{icon.left, icon.top, icon.right, icon.bottom};
    const IconDisplay display = DisplayOfIcon(icon);
    const BubblePlacement place = PlaceBubble(icon, display.workArea, display.dpi);
    std::printf("bubble: icon (%ld, %ld)-(%ld, %ld) on monitor %d, work area (%ld, %ld)-(%ld, %ld), dpi %u "
                "(%d %%): %s side at (%ld, %ld), %d x %d\n",
                icon.left, icon.top, icon.right, icon.bottom,
                MonitorNumber(MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST)), display.workArea.left,
                display.workArea.top, display.workArea.right, display.workArea.bottom, display.dpi,
                Scaled(PERCENT_AT_STANDARD_DPI, display.dpi), place.onRight ? "right" : "left", place.x, place.y,
                Scaled(BUBBLE_WIDTH, display.dpi), Scaled(BUBBLE_HEIGHT, display.dpi));
    PrintZOrderStep();
}

}  // namespace

int main()
{
    // The desktop's list view hands its accessible objects to other
    // processes through COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::printf("desktop-probe %s\n", MARROWTUNE_VERSION_DOTTED);
    PrintDpiAwareness();
    int monitor = 0;
    EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, reinterpret_cast<LPARAM>(&monitor));

    std::printf("shell window:\n");
    const HWND shell = GetShellWindow();
    if (shell != nullptr) {
        PrintWindow(shell, 1, -1);
    } else {
        std::printf("  none\n");
    }
    std::printf("desktop windows (z-order counted from the top):\n");
    int zOrder = 0;
    EnumWindows(PrintShellTopLevel, reinterpret_cast<LPARAM>(&zOrder));
    const HWND listView = FindDesktopListView();
    std::printf("list view the bubble uses:\n");
    if (listView != nullptr) {
        PrintWindow(listView, 1, -1);
    } else {
        std::printf("  none\n");
    }
    PrintDesktopItems();
    PrintBubblePlace();
    std::fflush(stdout);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}
