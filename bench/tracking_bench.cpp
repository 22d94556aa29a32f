// Cost of one tracking tick of the real bubble window with the icon unchanged
// (WM_TIMER with TIMER_TRACK, sent) against the bare platform work of a tick:
// one accessibility walk on a list-view object kept from walk to walk, as the
// bubble keeps its own, and one read of the screen's width
// (GetSystemMetrics), which the placement rule needs every tick. The icon is
// last on desktops of 10, 100 and 1,000 items served in this process, and of
// 10 and 100 items served by desktop-standin.exe in another process, as the
// shell serves the program. Prints microseconds per tick (median and range
// over the rounds) and the ratio (the median of the rounds' ratios, each round
// timing both in turn); the target (at most 1.05) is judged against
// the walk plus the width read. The in-process ticks are also set against the
// bare walk alone, and the cost per desktop item is printed (a difference of
// medians): both for information, without a verdict.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "app/presentation.h"
#include "bubble/bubble.h"
#include "kit/process_support.h"
#include "kit/standin_desktop.h"
#include "kit/bubble_test_window.h"

namespace {

constexpr double TARGET_RATIO = 1.05;
constexpr const char* TARGET = "<= 1.05";
constexpr RECT ICON = {20, 100, 95, 170};   // where the icon of the cross-process desktops stands
constexpr double MICROSECONDS = 1e6;

struct Size {
    int items;
    int callsPerRound;
    int rounds;
};
constexpr Size IN_PROCESS_SIZES[] = {{10, 200, 9}, {100, 60, 9}, {1000, 8, 9}};
constexpr Size CROSS_PROCESS_SIZES[] = {{10, 3, 31}, {100, 1, 21}};

HWND bubble = nullptr;
int presentationsWhileMeasuring = 0;

void Fail(const std::string& what)
{
    std::fprintf(stderr, "tracking_bench: %s\n", what.c_str());
    std::exit(1);
}

void Tick()
{
    SendMessageA(bubble, WM_TIMER, TIMER_TRACK, 0);
}

// The list view's object the bare walk keeps, as the bubble keeps its own:
// both obtain one on the first tick of each desktop and walk it after that.
IAccessible* bareList = nullptr;

void BareWalk()
{
    IconRect rect{};
    if (!bench::BareLookupHeld(bench::TARGET_NAME, rect, bareList)) Fail("the bare walk did not find the icon");
}

void ForgetBareList()
{
    if (bareList) bareList->Release();
    bareList = nullptr;
}

void BareWalkAndScreenWidth()
{
    BareWalk();
    volatile int width = GetSystemMetrics(SM_CXFULLSCREEN);
    (void)width;
}

void ToMicroseconds(bench::Comparison& result)
{
    for (bench::Summary* summary : {&result.product, &result.baseline}) {
        summary->median *= MICROSECONDS;
        summary->low *= MICROSECONDS;
        summary->high *= MICROSECONDS;
    }
}

// Ticks against `baseline` on the desktop now served; prints a row and a
// result line named `figure`, judged against the target when `judged`.
bench::Comparison Measure(const Size& size, const std::string& figure, const std::string& baselineName,
                          const std::function<void()>& baseline, bool judged)
{
    // The icon may sit at another place now: one tick follows it, and every
    // tick after that finds it where it was.
    Tick();
    if (bubbleState.dismissing) Fail("the icon was lost");
    const int presentationsBefore = shellCounters.presentations;
    bench::Comparison result = bench::CompareAlternating(Tick, baseline, bench::RunSize(size.callsPerRound),
                                                                bench::RunSize(size.rounds));
    presentationsWhileMeasuring += shellCounters.presentations - presentationsBefore;
    if (bubbleState.dismissing) Fail("the icon was lost");
    ToMicroseconds(result);
    std::printf("%8d %24s %24s %8.3f  %s\n", size.items, bench::Describe(result.product, 1).c_str(),
                bench::Describe(result.baseline, 1).c_str(), result.Ratio(), baselineName.c_str());
    bench::PrintResult("tracking tick", figure, bench::Describe(result.product, 1),
                       bench::Describe(result.baseline, 1), result.Ratio(), judged ? TARGET : bench::NO_TARGET,
                       bench::Judge(result.roundRatios, TARGET_RATIO));
    return result;
}

void PrintPerItem(const std::string& figure, const bench::Comparison& smallest, const bench::Comparison& largest,
                  int itemsBetween)
{
    const double tick = (largest.product.median - smallest.product.median) / itemsBetween;
    const double bare = (largest.baseline.median - smallest.baseline.median) / itemsBetween;
    char tickText[32];
    char bareText[32];
    std::snprintf(tickText, sizeof tickText, "%.3f", tick);
    std::snprintf(bareText, sizeof bareText, "%.3f", bare);
    bench::PrintResult("tracking tick", figure, tickText, bareText, -1, bench::NO_TARGET, false);
}

void Refill(standin::Desktop& desktop, int items)
{
    while (desktop.Count() > 0) desktop.Remove(desktop.Count() - 1);
    bench::FillDesktop(desktop, items);
}

}  // namespace

int main(int argc, char** argv)
{
    bench::ReadSmokeArgument(argc, argv);
    bench::ReadPlantArgument(argc, argv, TARGET_RATIO);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&bubbleState.gdiplusToken, &gdiplusInput, nullptr);

    standin::Desktop desktop(standin::Layout::Progman);
    Refill(desktop, IN_PROCESS_SIZES[0].items);
    bubble = CreateBubbleWindowForTest();
    if (bubble == nullptr || !BubbleBuilt()) Fail("the bubble was not built");
    // Every tick is sent by the benchmark. The bubble's own tracking timer
    // would tick too whenever a wait dispatches this thread's messages, and
    // one tick while the in-process desktop is gone and desktop-standin.exe
    // not yet up finds no icon and starts the fade-out.
    KillTimer(bubble, TIMER_TRACK);

    std::printf("One tracking tick (icon unchanged) against bare platform work, icon last\n");
    std::printf("%8s %24s %24s %8s  %s\n", "items", "tick us", "baseline us", "ratio", "baseline");
    bench::Comparison walkSmallest{}, walkLargest{}, fullSmallest{}, fullLargest{};
    for (const Size& size : IN_PROCESS_SIZES) {
        if (bench::smokeRun && &size != IN_PROCESS_SIZES) break;   // the smallest desktop only
        Refill(desktop, size.items);
        const std::string items = std::to_string(size.items) + " items in-process";
        const bench::Comparison full = Measure(size, items + ", us per tick, against walk + screen width",
                                               "bare walk + GetSystemMetrics", BareWalkAndScreenWidth, true);
        const bench::Comparison walk =
            Measure(size, items + ", us per tick, against the bare walk alone", "bare walk", BareWalk, false);
        if (size.items == IN_PROCESS_SIZES[0].items) {
            walkSmallest = walk;
            fullSmallest = full;
        }
        walkLargest = walk;
        fullLargest = full;
    }
    const int itemsBetween = IN_PROCESS_SIZES[2].items - IN_PROCESS_SIZES[0].items;
    PrintPerItem("per desktop item in-process, against walk + screen width, us", fullSmallest, fullLargest,
                 itemsBetween);
    PrintPerItem("per desktop item in-process, against the bare walk alone, us", walkSmallest, walkLargest,
                 itemsBetween);

    // The shell's desktop in another process: every accessibility call is a
    // call into that process.
    ForgetBareList();
    desktop.DestroyWindows();
    bench::Comparison crossSmallest{}, crossLargest{};
    for (const Size& size : CROSS_PROCESS_SIZES) {
        if (bench::smokeRun && &size != CROSS_PROCESS_SIZES) break;
        processes::StandinProcess standin("", bench::StandinFolder());
        if (!bench::FillStandin(standin, size.items, ICON)) Fail("desktop-standin.exe does not answer");
        const std::string items = std::to_string(size.items) + " items in another process";
        const bench::Comparison cross = Measure(size, items + ", us per tick, against walk + screen width",
                                                "bare walk + GetSystemMetrics", BareWalkAndScreenWidth, true);
        if (size.items == CROSS_PROCESS_SIZES[0].items) crossSmallest = cross;
        crossLargest = cross;
        ForgetBareList();
        standin.Send("quit");
    }
    PrintPerItem("per desktop item in another process, against walk + screen width, us", crossSmallest, crossLargest,
                 CROSS_PROCESS_SIZES[1].items - CROSS_PROCESS_SIZES[0].items);

    std::printf("presentations during the measured ticks: %d (an unchanged icon presents nothing)\n",
                presentationsWhileMeasuring);
    CoUninitialize();
    return presentationsWhileMeasuring == 0 ? 0 : 1;
}
