// Timing, summaries, result lines, the bare walk and the holdings counts
// shared by the benchmarks.
#include "bench/bench_support.h"

#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "kit/standin_desktop.h"
#include "kit/gui_objects.h"
#include "kit/process_support.h"

namespace bench {

namespace {

constexpr LONG ICON_PITCH = 80;   // icons on a grid, as a desktop lays them out
constexpr LONG ICON_SIZE = 75;
constexpr LONG GRID_COLUMNS = 10;

// The top of the user-mode address space walked for private memory.
constexpr ULONG_PTR ADDRESS_SPACE_END = 0x7FFFFFFF0000ULL;

RECT GridPlace(int index)
{
    const LONG left = (index % GRID_COLUMNS) * ICON_PITCH;
    const LONG top = (index / GRID_COLUMNS) * ICON_PITCH;
    return RECT{left, top, left + ICON_SIZE, top + ICON_SIZE};
}

SIZE_T CommittedPrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    ULONG_PTR address = 0;
    while (address < ADDRESS_SPACE_END &&
           VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const ULONG_PTR next = reinterpret_cast<ULONG_PTR>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

LRESULT CALLBACK ReportWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool smokeRun = false;

void ReadSmokeArgument(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], SMOKE_ARGUMENT) == 0) smokeRun = true;
    }
}

int RunSize(int full, int smoke)
{
    return smokeRun ? smoke : full;
}

Summary Summarize(std::vector<double> samples)
{
    Summary summary;
    if (samples.empty()) return summary;
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    summary.median = samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
    summary.low = samples.front();
    summary.high = samples.back();
    return summary;
}

std::string Describe(const Summary& summary, int decimals)
{
    char text[96];
    std::snprintf(text, sizeof text, "%.*f (%.*f-%.*f)", decimals, summary.median, decimals, summary.low,
                  decimals, summary.high);
    return text;
}

void PrintResult(const std::string& benchmark, const std::string& figure, const std::string& product,
                 const std::string& baseline, double ratio, const std::string& target, bool met)
{
    PrintResult(benchmark, figure, product, baseline, ratio, target, met ? Verdict::Met : Verdict::NotMet);
}

void PrintResult(const std::string& benchmark, const std::string& figure, const std::string& product,
                 const std::string& baseline, double ratio, const std::string& target, Verdict verdict)
{
    char ratioText[32] = "-";
    if (ratio >= 0) std::snprintf(ratioText, sizeof ratioText, "%.3f", ratio);
    const char* said = verdict == Verdict::Met ? "met" : verdict == Verdict::NotMet ? "NOT MET" : "within noise";
    if (target == NO_TARGET || smokeRun) said = NO_TARGET;
    std::printf("RESULT|%s|%s|%s|%s|%s|%s|%s\n", benchmark.c_str(), figure.c_str(), product.c_str(),
                baseline.c_str(), ratioText, target.c_str(), said);
    std::fflush(stdout);
}

double plantedFactor = 1;

void ReadPlantArgument(int argc, char** argv, double targetRatio)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], PLANT_ARGUMENT) == 0) plantedFactor = 1 + PLANT_MARGINS * (targetRatio - 1);
    }
    if (plantedFactor > 1) std::printf("planted slow-down: every timed product call x %.3f\n", plantedFactor);
}

// The rank (1-based, from either end) of the order statistics that bound a
// median's distribution-free confidence interval of at least 95 % for `n`
// samples: the largest k with P(Binomial(n, 1/2) < k) <= 2.5 %. 0 when n is
// too small for any.
static size_t MedianBoundRank(size_t n)
{
    constexpr double TAIL = 0.025;
    double below = 0;   // P(B <= k - 1), built term by term
    double term = std::pow(0.5, static_cast<double>(n));
    size_t rank = 0;
    for (size_t k = 1; k <= n / 2; ++k) {
        below += term;   // adds P(B = k - 1)
        if (below > TAIL) break;
        rank = k;
        term = term * static_cast<double>(n - (k - 1)) / static_cast<double>(k);
    }
    return rank;
}

Verdict Judge(const std::vector<double>& ratios, double targetRatio)
{
    std::vector<double> sorted = ratios;
    std::sort(sorted.begin(), sorted.end());
    const size_t rank = MedianBoundRank(sorted.size());
    if (rank == 0) return Verdict::WithinNoise;
    const double median = Summarize(sorted).median;
    const double margin = targetRatio - 1;
    const double low = sorted[rank - 1];
    const double high = sorted[sorted.size() - rank];
    if (median - low > margin || high - median > margin) return Verdict::WithinNoise;
    return median <= targetRatio ? Verdict::Met : Verdict::NotMet;
}

RECT FillDesktop(standin::Desktop& desktop, int items)
{
    RECT icon{};
    for (int index = 0; index < items; ++index) {
        const RECT bounds = GridPlace(index);
        const bool last = index + 1 == items;
        desktop.Add(standin::MakeItem(last ? std::string(TARGET_NAME) : "Item " + std::to_string(index), bounds));
        if (last) icon = bounds;
    }
    return icon;
}

std::string RectText(const RECT& bounds)
{
    return std::to_string(bounds.left) + " " + std::to_string(bounds.top) + " " + std::to_string(bounds.right) + " " +
           std::to_string(bounds.bottom);
}

bool FillStandin(processes::StandinProcess& standin, int items, const RECT& icon)
{
    if (standin.ReadLine() != "ready") return false;
    for (int index = 0; index + 1 < items; ++index) {
        if (standin.Send("add \"Item " + std::to_string(index) + "\" " + RectText(GridPlace(index))) != "ok") {
            return false;
        }
    }
    return standin.Send(std::string("add ") + TARGET_NAME + " " + RectText(icon)) == "ok";
}

HWND CreateReportWindow(const char* className)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ReportWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

bool NextReport(UINT message, ULONGLONG deadline, MSG& report)
{
    for (;;) {
        while (PeekMessageA(&report, nullptr, 0, 0, PM_REMOVE)) {
            if (report.message == message) return true;
            DispatchMessageA(&report);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
}

std::string StandinFolder()
{
    return ExecutableFolder() + "..\\tests\\";
}

std::string ExecutableFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder;
}

Holdings CountHoldings()
{
    Holdings holdings;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        holdings.reportedPrivateBytes = memory.PrivateUsage;
    }
    // Memory first: probing the handle tables must not count in it.
    holdings.privateBytes = holdings.reportedPrivateBytes ? holdings.reportedPrivateBytes
                                                          : CommittedPrivateBytes();
    holdings.reportedGdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    holdings.reportedUserObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    holdings.gdiObjects = holdings.reportedGdiObjects ? static_cast<long>(holdings.reportedGdiObjects)
                                                      : guiobjects::ProbeGdiHandleTable();
    holdings.userObjects = holdings.reportedUserObjects ? static_cast<long>(holdings.reportedUserObjects)
                                                        : guiobjects::ProbeUserHandleTable();
    return holdings;
}

}  // namespace bench
