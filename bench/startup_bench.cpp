// Start-up: what the program's own code adds to Wine's start of a process,
// from the entry of WinMain to the end of the first WM_CREATE (the bubble
// presented once), and for information the whole start from just before
// CreateProcessA, for the product's code
// (marrowtune-bubble-probed.exe: the program's own entry code with the
// start-up report in front) and for the bare baseline (bare-bubble.exe),
// started in turn. This process serves both with an in-process stand-in
// desktop of 100 items, the icon last. Prints the median and range in
// milliseconds and the median of the runs' ratios of the added times
// (target: at most 1.2, judged by bench::Judge). --plant-slowdown plants a
// sleep of 1.5 times the target's margin into the product's creation.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/startup_probe.h"
#include "kit/standin_desktop.h"

namespace {

constexpr int DESKTOP_ITEMS = 100;
constexpr int RUNS = 15;   // per program, after one warm-up run each
constexpr double TARGET_RATIO = 1.2;
constexpr double MILLISECONDS = 1e3;
constexpr DWORD RUN_LIMIT_MS = 60000;
constexpr const char* PRODUCT_EXE = "marrowtune-bubble-probed.exe";
constexpr const char* BASELINE_EXE = "bare-bubble.exe";

void Fail(const std::string& what)
{
    std::fprintf(stderr, "startup_bench: %s\n", what.c_str());
    std::exit(1);
}

// Serves the desktop (this thread's messages) until `process` has ended;
// false when it is still running at `deadline`.
bool PumpUntilExit(HANDLE process, ULONGLONG deadline)
{
    while (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(1, &process, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    return true;
}

// One start: seconds from CreateProcessA to the report (Wine's start of a
// process included), and seconds from the entry of WinMain to the report:
// what the program's own code adds.
struct Start {
    double total = 0;
    double added = 0;
};

Start TimeOneStart(const std::string& exe, const std::string& extra = "")
{
    std::string commandLine =
        "\"" + bench::ExecutableFolder() + exe + "\" " + bench::REPORT_STARTUP_ARGUMENT + " " + extra;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const LONGLONG started = bench::Count();
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
        Fail("cannot start " + exe);
    }
    LONGLONG entered = 0;
    LONGLONG reported = 0;
    const ULONGLONG deadline = GetTickCount64() + RUN_LIMIT_MS;
    MSG report{};
    if (bench::NextReport(bench::WM_STARTUP_REPORT, deadline, report)) {
        entered = static_cast<LONGLONG>(report.wParam);
        reported = static_cast<LONGLONG>(report.lParam);
    }
    // The report ends the process; it must be gone before the next start
    // (the single-instance mutex).
    const bool ended = PumpUntilExit(child.hProcess, deadline);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (reported == 0) Fail(exe + " sent no start-up report (is the icon found?)");
    if (!ended || code != 0) Fail(exe + " did not end with 0 after its report");
    return Start{bench::SecondsBetween(started, reported), bench::SecondsBetween(entered, reported)};
}

}  // namespace

int main(int argc, char** argv)
{
    bench::ReadSmokeArgument(argc, argv);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    standin::Desktop desktop(standin::Layout::Progman);
    bench::FillDesktop(desktop, DESKTOP_ITEMS);

    const HWND driver = bench::CreateReportWindow(bench::STARTUP_DRIVER_CLASS);
    if (!driver) Fail("cannot create the driver window");

    TimeOneStart(PRODUCT_EXE);   // warm-up: file cache, Wine's first loads
    const Start baselineWarmUp = TimeOneStart(BASELINE_EXE);
    // The planted slow-down: creation made longer by the target's margin
    // (and half as much again) of the baseline's own work.
    std::string plant;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], bench::PLANT_ARGUMENT) != 0) continue;
        const double delay = bench::PLANT_MARGINS * (TARGET_RATIO - 1) * baselineWarmUp.added * MILLISECONDS;
        plant = bench::PLANT_DELAY_ARGUMENT + std::to_string(static_cast<long>(std::ceil(delay)));
        std::printf("planted slow-down: %s in the product's creation\n", plant.c_str());
    }
    std::vector<double> productTotal, baselineTotal, productAdded, baselineAdded, ratios;
    const int runs = bench::RunSize(RUNS);
    for (int run = 0; run < runs; ++run) {
        // Alternating which goes first keeps any drift from favouring one.
        Start product;
        Start baseline;
        if (run % 2 == 0) {
            product = TimeOneStart(PRODUCT_EXE, plant);
            baseline = TimeOneStart(BASELINE_EXE);
        } else {
            baseline = TimeOneStart(BASELINE_EXE);
            product = TimeOneStart(PRODUCT_EXE, plant);
        }
        productTotal.push_back(product.total * MILLISECONDS);
        baselineTotal.push_back(baseline.total * MILLISECONDS);
        productAdded.push_back(product.added * MILLISECONDS);
        baselineAdded.push_back(baseline.added * MILLISECONDS);
        ratios.push_back(product.added / baseline.added);
    }
    const bench::Summary ratio = bench::Summarize(ratios);
    std::printf("Start-up, %d runs each, %d-item desktop served in-process; ms\n", runs, DESKTOP_ITEMS);
    std::printf("  WinMain entry to end of WM_CREATE: product %s, baseline %s, ratio %.3f (median of the runs')\n",
                bench::Describe(bench::Summarize(productAdded), 1).c_str(),
                bench::Describe(bench::Summarize(baselineAdded), 1).c_str(), ratio.median);
    std::printf("  process start to end of WM_CREATE: product %s, baseline %s\n",
                bench::Describe(bench::Summarize(productTotal), 1).c_str(),
                bench::Describe(bench::Summarize(baselineTotal), 1).c_str());
    bench::PrintResult("start-up", "WinMain entry to end of WM_CREATE, ms; ratio: median (range) of the runs'",
                       bench::Describe(bench::Summarize(productAdded), 1),
                       bench::Describe(bench::Summarize(baselineAdded), 1), ratio.median, "<= 1.2",
                       bench::Judge(ratios, TARGET_RATIO));
    bench::PrintResult("start-up", "process start to end of WM_CREATE (Wine's start included), ms",
                       bench::Describe(bench::Summarize(productTotal), 1),
                       bench::Describe(bench::Summarize(baselineTotal), 1), -1, bench::NO_TARGET, false);
    DestroyWindow(driver);
    CoUninitialize();
    return 0;
}
