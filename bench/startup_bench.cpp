// Start-up: from just before CreateProcessA to the end of the first
// WM_CREATE (the bubble presented once), for the product's code
// (marrowtune-bubble-probed.exe: the program's own entry code with the
// start-up report in front) and for the bare baseline (bare-bubble.exe),
// started in turn. This process serves both with an in-process stand-in
// desktop of 100 items, the icon last. Prints the median and range in
// milliseconds and the ratio of the medians (target: at most 1.2).
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/startup_probe.h"
#include "tests/standin/standin_desktop.h"

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

// One start of `exe`: seconds from CreateProcessA to the report.
double TimeOneStart(const std::string& exe)
{
    std::string commandLine = "\"" + bench::ExecutableFolder() + exe + "\" " + bench::REPORT_STARTUP_ARGUMENT;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const LONGLONG started = bench::Count();
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
        Fail("cannot start " + exe);
    }
    LONGLONG reported = 0;
    const ULONGLONG deadline = GetTickCount64() + RUN_LIMIT_MS;
    MSG report{};
    if (bench::NextReport(bench::WM_STARTUP_REPORT, deadline, report)) reported = static_cast<LONGLONG>(report.lParam);
    // The report ends the process; it must be gone before the next start
    // (the single-instance mutex).
    const bool ended = PumpUntilExit(child.hProcess, deadline);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (reported == 0) Fail(exe + " sent no start-up report (is the icon found?)");
    if (!ended || code != 0) Fail(exe + " did not end with 0 after its report");
    return bench::SecondsBetween(started, reported);
}

}  // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    standin::Desktop desktop(standin::Layout::Progman);
    bench::FillDesktop(desktop, DESKTOP_ITEMS);

    const HWND driver = bench::CreateReportWindow(bench::STARTUP_DRIVER_CLASS);
    if (!driver) Fail("cannot create the driver window");

    TimeOneStart(PRODUCT_EXE);   // warm-up: file cache, Wine's first loads
    TimeOneStart(BASELINE_EXE);
    std::vector<double> product;
    std::vector<double> baseline;
    for (int run = 0; run < RUNS; ++run) {
        // Alternating which goes first keeps any drift from favouring one.
        if (run % 2 == 0) {
            product.push_back(TimeOneStart(PRODUCT_EXE) * MILLISECONDS);
            baseline.push_back(TimeOneStart(BASELINE_EXE) * MILLISECONDS);
        } else {
            baseline.push_back(TimeOneStart(BASELINE_EXE) * MILLISECONDS);
            product.push_back(TimeOneStart(PRODUCT_EXE) * MILLISECONDS);
        }
    }
    const bench::Summary productSummary = bench::Summarize(product);
    const bench::Summary baselineSummary = bench::Summarize(baseline);
    const double ratio = productSummary.median / baselineSummary.median;
    std::printf("Start-up to the end of WM_CREATE, %d runs each, %d-item desktop served in-process\n", RUNS,
                DESKTOP_ITEMS);
    std::printf("  product  %s ms\n  baseline %s ms\n  ratio    %.3f\n", bench::Describe(productSummary, 1).c_str(),
                bench::Describe(baselineSummary, 1).c_str(), ratio);
    bench::PrintResult("start-up", "process start to end of WM_CREATE, ms", bench::Describe(productSummary, 1),
                       bench::Describe(baselineSummary, 1), ratio, "<= 1.2", ratio <= TARGET_RATIO);
    DestroyWindow(driver);
    CoUninitialize();
    return 0;
}
