// Cost of LocateDesktopIcon against the bare walk of the same accessibility
// calls, over an in-process stand-in desktop of 10, 100 and 1,000 items with
// the match last: microseconds per call of both (median and range over the
// rounds), their ratio (the median of the rounds' ratios, each round timing
// both in turn; target: at most 1.1), and the cost per item walked
// (a difference of medians, for information: no verdict).
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "locator/locator.h"
#include "kit/standin_desktop.h"

namespace {

constexpr double TARGET_RATIO = 1.1;
constexpr int ROUNDS = 9;
constexpr double MICROSECONDS = 1e6;

struct Size {
    int items;
    int callsPerRound;
};
constexpr Size SIZES[] = {{10, 200}, {100, 60}, {1000, 8}};

void Require(bool found)
{
    if (!found) {
        std::fprintf(stderr, "locator_bench: the icon was not found\n");
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    bench::ReadSmokeArgument(argc, argv);
    bench::ReadPlantArgument(argc, argv, TARGET_RATIO);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::printf("LocateDesktopIcon against the bare walk, in-process stand-in desktop, icon last\n");
    std::printf("%8s %22s %22s %8s\n", "items", "locator us/call", "bare us/call", "ratio");
    bench::Comparison smallest{};
    bench::Comparison largest{};
    for (const Size& size : SIZES) {
        standin::Desktop desktop(standin::Layout::Progman);
        bench::FillDesktop(desktop, size.items);
        IconRect rect{};
        const auto locator = [&] { Require(LocateDesktopIcon(bench::TARGET_NAME, rect)); };
        const auto bare = [&] { Require(bench::BareLookup(bench::TARGET_NAME, rect)); };
        bench::Comparison result = bench::CompareAlternating(locator, bare, bench::RunSize(size.callsPerRound),
                                                              bench::RunSize(ROUNDS));
        for (bench::Summary* summary : {&result.product, &result.baseline}) {
            summary->median *= MICROSECONDS;
            summary->low *= MICROSECONDS;
            summary->high *= MICROSECONDS;
        }
        std::printf("%8d %22s %22s %8.3f\n", size.items, bench::Describe(result.product, 1).c_str(),
                    bench::Describe(result.baseline, 1).c_str(), result.Ratio());
        bench::PrintResult("locator call", std::to_string(size.items) + " items, us per call",
                           bench::Describe(result.product, 1), bench::Describe(result.baseline, 1), result.Ratio(),
                           "<= 1.1", bench::Judge(result.roundRatios, TARGET_RATIO));
        if (size.items == SIZES[0].items) smallest = result;
        largest = result;
    }
    const double itemsBetween = SIZES[2].items - SIZES[0].items;
    const double locatorPerItem = (largest.product.median - smallest.product.median) / itemsBetween;
    const double barePerItem = (largest.baseline.median - smallest.baseline.median) / itemsBetween;
    char locatorText[32];
    char bareText[32];
    std::snprintf(locatorText, sizeof locatorText, "%.3f", locatorPerItem);
    std::snprintf(bareText, sizeof bareText, "%.3f", barePerItem);
    bench::PrintResult("locator call", "per item walked, us", locatorText, bareText, -1, bench::NO_TARGET, false);
    CoUninitialize();
    return 0;
}
