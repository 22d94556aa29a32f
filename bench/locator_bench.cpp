// Cost of LocateDesktopIcon against a bare loop of the same accessibility
// calls, over an in-process stand-in desktop of 10, 100 and 1,000 items with
// the match last. Prints the cost per call of both and their ratio (target:
// at most 1.1), the fixed cost of finding the list view and obtaining its
// accessible object, and the cost per item walked once that is taken away.
// Run by hand under Wine: wine locator_bench.exe
#include <windows.h>
#include <objbase.h>
#include <oleacc.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "locator/locator.h"
#include "tests/standin/standin_desktop.h"

namespace {

constexpr const char* TARGET = "marrowtune";
constexpr int ITEM_COUNTS[] = {10, 100, 1000};
constexpr int CALLS_PER_BATCH = 100;
// Batches per contender, alternating; the fastest counts, as the machine may
// be busy with other work. The first round only warms up.
constexpr int ROUNDS = 7;
constexpr double MICROSECONDS = 1e6;
constexpr LONG ICON_PITCH = 80;          // a grid of icons, for realistic rectangles
constexpr LONG ICON_SIZE = 75;
constexpr LONG GRID_COLUMNS = 10;

// The walk with no guards, holders or exception handling around the calls.
bool BareLookup(const char* name, IconRect& rect)
{
    const HWND listView = FindDesktopListView();
    if (listView == nullptr || !IsWindowVisible(listView)) {
        return false;
    }
    void* object = nullptr;
    if (AccessibleObjectFromWindow(listView, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   &object) != S_OK) {
        return false;
    }
    IAccessible* list = static_cast<IAccessible*>(object);
    bool found = false;
    LONG count = 0;
    if (SUCCEEDED(list->get_accChildCount(&count))) {
        for (LONG index = 0; index < count && !found; ++index) {
            VARIANT child;
            VariantInit(&child);
            LONG obtained = 0;
            if (SUCCEEDED(AccessibleChildren(list, index, 1, &child, &obtained)) && child.vt != VT_DISPATCH) {
                BSTR accName = nullptr;
                if (SUCCEEDED(list->get_accName(child, &accName)) && accName != nullptr) {
                    const int size = WideCharToMultiByte(CP_ACP, 0, accName, -1, nullptr, 0, nullptr, nullptr);
                    char* ansi = new char[static_cast<size_t>(size)];
                    WideCharToMultiByte(CP_ACP, 0, accName, -1, ansi, size, nullptr, nullptr);
                    if (std::strcmp(ansi, name) == 0) {
                        LONG left = 0, top = 0, width = 0, height = 0;
                        list->accLocation(&left, &top, &width, &height, child);
                        rect = IconRect{left, top, left + width, top + height};
                        found = true;
                    }
                    delete[] ansi;
                }
                SysFreeString(accName);
            }
            VariantClear(&child);
        }
    }
    list->Release();
    return found;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds that one call of `lookup` took.
template <typename Lookup>
double TimeCall(Lookup lookup, const LARGE_INTEGER& frequency)
{
    LARGE_INTEGER start{};
    LARGE_INTEGER stop{};
    IconRect rect{};
    QueryPerformanceCounter(&start);
    const bool found = lookup(TARGET, rect);
    QueryPerformanceCounter(&stop);
    if (!found) {
        std::fprintf(stderr, "the icon was not found\n");
        std::exit(1);
    }
    return Seconds(start, stop, frequency);
}

// Finding the list view and obtaining and releasing its accessible object:
// the part of every lookup that does not depend on the number of items.
bool ObtainOnly(const char*, IconRect&)
{
    void* object = nullptr;
    if (AccessibleObjectFromWindow(FindDesktopListView(), static_cast<DWORD>(OBJID_CLIENT),
                                   __uuidof(IAccessible), &object) != S_OK) {
        return false;
    }
    static_cast<IAccessible*>(object)->Release();
    return true;
}

double Fastest(const std::vector<double>& values)
{
    return *std::min_element(values.begin() + 1, values.end());
}

}  // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    std::printf("%8s %14s %14s %8s %14s %16s\n", "items", "locator (us)", "bare (us)", "ratio",
                "obtain (us)", "per item (us)");
    for (const int items : ITEM_COUNTS) {
        standin::Desktop desktop(standin::Layout::Progman);
        for (int index = 0; index < items; ++index) {
            const LONG left = (index % GRID_COLUMNS) * ICON_PITCH;
            const LONG top = (index / GRID_COLUMNS) * ICON_PITCH;
            const std::string name = index + 1 == items ? TARGET : "Item " + std::to_string(index);
            desktop.Add(standin::MakeItem(name, RECT{left, top, left + ICON_SIZE, top + ICON_SIZE}));
        }
        const auto locator = [](const char* name, IconRect& rect) { return LocateDesktopIcon(name, rect); };
        std::vector<double> locatorTimes;
        std::vector<double> bareTimes;
        std::vector<double> obtainTimes;
        for (int round = 0; round < ROUNDS; ++round) {
            // Calls alternate, so that a busy spell of the machine weighs on both.
            double locatorTotal = 0;
            double bareTotal = 0;
            double obtainTotal = 0;
            for (int call = 0; call < CALLS_PER_BATCH; ++call) {
                locatorTotal += TimeCall(locator, frequency);
                bareTotal += TimeCall(BareLookup, frequency);
                obtainTotal += TimeCall(ObtainOnly, frequency);
            }
            locatorTimes.push_back(locatorTotal / CALLS_PER_BATCH);
            bareTimes.push_back(bareTotal / CALLS_PER_BATCH);
            obtainTimes.push_back(obtainTotal / CALLS_PER_BATCH);
        }
        const double locatorCall = Fastest(locatorTimes);
        const double bareCall = Fastest(bareTimes);
        const double obtain = Fastest(obtainTimes);
        std::printf("%8d %14.1f %14.1f %8.3f %14.1f %16.3f\n", items, locatorCall * MICROSECONDS,
                    bareCall * MICROSECONDS, locatorCall / bareCall, obtain * MICROSECONDS,
                    (locatorCall - obtain) * MICROSECONDS / items);
    }
    CoUninitialize();
    return 0;
}
