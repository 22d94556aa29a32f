// desktop-probe.exe: tells, as plain text on standard output, what this
// Windows desktop answers to the questions the bubble asks, so that a user
// whose bubble stands in the wrong place can send us the facts:
//
//   desktop-probe.exe > probe.txt
//
// It prints the process's DPI awareness (the same manifest as the bubble's),
// each monitor's rectangle and DPI, the screen metrics the bubble reads, the
// shell's desktop windows (class, title, rectangle, visibility, place in the
// z-order, owning process), every item of the desktop list view with its
// accessible name and raw accLocation answer, and where the bubble would
// stand. It only reads; it changes nothing and shows no window.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bubble/bubble.h"
#include "locator/locator.h"
#include "version.h"

namespace {

constexpr int TEXT_CHARS = 256;

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

void PrintDpiAwareness()
{
    using GetContext = HANDLE(WINAPI*)();
    using AwarenessOf = int(WINAPI*)(HANDLE);
    using SystemDpi = UINT(WINAPI*)();
    const auto getContext = Lookup<GetContext>("user32.dll", "GetThreadDpiAwarenessContext");
    const auto awarenessOf = Lookup<AwarenessOf>("user32.dll", "GetAwarenessFromDpiAwarenessContext");
    const auto systemDpi = Lookup<SystemDpi>("user32.dll", "GetDpiForSystem");
    if (getContext != nullptr && awarenessOf != nullptr) {
        std::printf("dpi awareness: %s\n", AwarenessName(awarenessOf(getContext())));
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

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM counter)
{
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
        std::printf("  item %d: \"%s\" accLocation %ld, %ld, %ld x %ld (0x%08lX)\n", visited++, item.Name(),
                    left, top, width, height, static_cast<unsigned long>(result));
        return false;
    }, &count);
    std::printf("items: %ld reported, %d named simple elements\n", count, visited);
}

void PrintBubblePlace()
{
    IconRect icon{};
    if (!LocateDesktopIcon(TARGET_ICON_NAME, icon)) {
        std::printf("bubble: no icon named \"%s\": the program would end quietly\n", TARGET_ICON_NAME);
        return;
    }
    const int screenWidth = GetSystemMetrics(SM_CXFULLSCREEN);
    const BubblePlacement place = PlaceBubble(icon, screenWidth);
    std::printf("bubble: icon (%ld, %ld)-(%ld, %ld), screen width %d: %s side at (%ld, %ld), %d x %d\n",
                icon.left, icon.top, icon.right, icon.bottom, screenWidth, place.onRight ? "right" : "left",
                place.x, place.y, BUBBLE_WIDTH, BUBBLE_HEIGHT);
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
