// The clock, the comparison and its row, the desktops and the reference walk.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/bench.h"
#include "kit/holdings.h"
#include "kit/standin_desktop.h"

namespace bench {

Options options;

LONGLONG Count()
{
    LARGE_INTEGER value{};
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

double Seconds(LONGLONG fromCount, LONGLONG toCount)
{
    static const double frequency = [] {
        LARGE_INTEGER value{};
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    return static_cast<double>(toCount - fromCount) / frequency;
}

double Spin(double seconds)
{
    const LONGLONG start = Count();
    while (Seconds(start, Count()) < seconds) {}
    return Seconds(start, Count());
}

void Fail(const std::string& what)
{
    std::fprintf(stderr, "bench: %s\n", what.c_str());
    std::exit(1);
}

void Compare(const std::string& benchmark, const std::string& figure, double target,
             const std::function<void()>& product, const std::function<void()>& baseline, int callsPerRound,
             int rounds)
{
    const auto timed = [](const std::function<void()>& call) {
        const LONGLONG start = Count();
        call();
        return Seconds(start, Count());
    };
    const double planted = options.plant ? PLANT_MARGINS * (target - 1) : 0;
    const int calls = RunSize(callsPerRound);
    std::vector<double> productTimes, baselineTimes, ratios;
    for (int round = 0; round <= RunSize(rounds); ++round) {
        double productTotal = 0, baselineTotal = 0;
        for (int call = 0; call < calls; ++call) {
            const bool productFirst = (round + call) % 2 == 0;
            const double first = timed(productFirst ? product : baseline);
            const double second = timed(productFirst ? baseline : product);
            const double baselineTime = productFirst ? second : first;
            productTotal += (productFirst ? first : second) + (planted > 0 ? Spin(planted * baselineTime) : 0);
            baselineTotal += baselineTime;
        }
        if (round == 0) continue;   // warming up
        productTimes.push_back(productTotal / calls * MICROSECONDS);
        baselineTimes.push_back(baselineTotal / calls * MICROSECONDS);
        ratios.push_back(productTotal / baselineTotal);
    }
    std::printf("ROW %s|%s|%g", benchmark.c_str(), figure.c_str(), target);
    for (const std::vector<double>* series : {&productTimes, &baselineTimes, &ratios}) {
        std::printf("|");
        for (const double value : *series) std::printf(" %.4f", value);
    }
    std::printf("\n");
    std::fflush(stdout);
}

void FillDesktop(standin::Desktop& desktop, int items)
{
    while (desktop.Count() > 0) desktop.Remove(desktop.Count() - 1);
    constexpr LONG ICON_PITCH = 80, ICON_SIZE = 75, GRID_COLUMNS = 10;   // icons on a grid, as a desktop lays them out
    for (int index = 0; index < items; ++index) {
        const LONG left = (index % GRID_COLUMNS) * ICON_PITCH, top = (index / GRID_COLUMNS) * ICON_PITCH;
        const std::string name = index + 1 < items ? "Item " + std::to_string(index) : ICON_NAME;
        desktop.Add(standin::MakeItem(name, RECT{left, top, left + ICON_SIZE, top + ICON_SIZE}));
    }
}

void ReportHoldings(const std::string& label)
{
    std::printf("HOLDINGS %s %s\n", label.c_str(), holdings::Describe(holdings::Count()).c_str());
    std::fflush(stdout);
}

UINT ReadIconMonitor(const IconRect& icon)
{
    using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto dpiForMonitor = reinterpret_cast<DpiForMonitor>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("shcore.dll"), "GetDpiForMonitor")));
    constexpr int EFFECTIVE_DPI = 0;
    const RECT bounds{icon.left, icon.top, icon.right, icon.bottom};
    const HMONITOR monitor = MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{sizeof info, {}, {}, 0};
    GetMonitorInfoA(monitor, &info);
    UINT dpiX = 0, dpiY = 0;
    if (dpiForMonitor != nullptr) dpiForMonitor(monitor, EFFECTIVE_DPI, &dpiX, &dpiY);
    return dpiX > 0 ? dpiX : USER_DEFAULT_SCREEN_DPI;
}

bool ReferenceWalk(IAccessible*& held, IconRect& icon)
{
    const HWND progman = FindWindowExA(nullptr, nullptr, PROGMAN_CLASS, nullptr);
    const HWND view = progman ? FindWindowExA(progman, nullptr, DEFVIEW_CLASS, nullptr) : nullptr;
    const HWND listView = view ? FindWindowExA(view, nullptr, LIST_VIEW_CLASS, nullptr) : nullptr;
    if (listView == nullptr || !IsWindowVisible(listView)) return false;
    if (held == nullptr &&
        AccessibleObjectFromWindow(listView, static_cast<DWORD>(OBJID_CLIENT), IID_PPV_ARGS(&held)) != S_OK) {
        return false;
    }
    // Names become ANSI without best-fit mapping, as the locator's do (a
    // look-alike name must not match); UTF-8 takes no such flag. Under Wine
    // the flag takes a slower road through WideCharToMultiByte.
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    LONG count = 0;
    bool found = false;
    if (FAILED(held->get_accChildCount(&count))) return false;
    for (LONG index = 0; index < count && !found; ++index) {
        VARIANT child;
        VariantInit(&child);
        LONG obtained = 0;
        BSTR name = nullptr;
        if (SUCCEEDED(AccessibleChildren(held, index, 1, &child, &obtained)) && child.vt != VT_DISPATCH &&
            SUCCEEDED(held->get_accName(child, &name)) && name != nullptr) {
            const int size = WideCharToMultiByte(CP_ACP, flags, name, -1, nullptr, 0, nullptr, nullptr);
            const std::unique_ptr<char[]> ansi(new char[static_cast<size_t>(size)]);
            WideCharToMultiByte(CP_ACP, flags, name, -1, ansi.get(), size, nullptr, nullptr);
            if (std::strcmp(ansi.get(), ICON_NAME) == 0) {
                LONG left = 0, top = 0, width = 0, height = 0;
                held->accLocation(&left, &top, &width, &height, child);
                icon = IconRect{left, top, left + width, top + height};
                found = true;
            }
        }
        SysFreeString(name);
        VariantClear(&child);
    }
    return found;
}

void ForgetList(IAccessible*& held)
{
    if (held) held->Release();
    held = nullptr;
}

}  // namespace bench
