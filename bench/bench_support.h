// Shared by the benchmarks: timing, the summary of repeated runs, the result
// lines scripts/bench gathers into its table, the bare accessibility walk
// every baseline uses, desktops of a given size, and counts of a process's
// memory and GDI / USER objects.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "bench/bare_walk.h"
#include "bench/clock.h"

namespace standin {
class Desktop;
}
namespace processes {
class StandinProcess;
}

namespace bench {

// The smoke form of a benchmark (its argument SMOKE_ARGUMENT): one small
// round of everything it measures and no verdict, so that the ctest tests
// "BenchSmoke.*", which scripts/test runs, notice a benchmark that no longer
// runs. Set by ReadSmokeArgument.
constexpr const char* SMOKE_ARGUMENT = "--smoke";
extern bool smokeRun;
// Sets smokeRun when any argument is SMOKE_ARGUMENT.
void ReadSmokeArgument(int argc, char** argv);
// `full` in a measuring run, `smoke` in the smoke form.
int RunSize(int full, int smoke = 1);

// The median and the range of repeated measurements.
struct Summary {
    double median = 0;
    double low = 0;
    double high = 0;
};
Summary Summarize(std::vector<double> samples);

// "12.3 (11.9-13.0)" with `decimals` digits after the point.
std::string Describe(const Summary& summary, int decimals);

// One line of the results table, printed as
//   RESULT|benchmark|figure|product|baseline|ratio|target|verdict
// for scripts/bench; `ratio` below zero prints as "-", and a figure without
// a target (NO_TARGET), or any figure of the smoke form, gets no verdict.
constexpr const char* NO_TARGET = "-";
void PrintResult(const std::string& benchmark, const std::string& figure, const std::string& product,
                 const std::string& baseline, double ratio, const std::string& target, bool met);

// The verdict on a ratio target. A row that cannot tell a difference of the
// target's size gets no met / not met: "within noise".
enum class Verdict { Met, NotMet, WithinNoise };
void PrintResult(const std::string& benchmark, const std::string& figure, const std::string& product,
                 const std::string& baseline, double ratio, const std::string& target, Verdict verdict);

// A slow-down planted in what a benchmark times as the product's (its
// argument PLANT_ARGUMENT; the program never has it): every timed product
// call is stretched to plantedFactor times its length, so that a row whose
// target allows the factor (target - 1) shows whether it turns red on a
// real slow-down of that size. Set by ReadPlantArgument to
// 1 + PLANT_MARGINS * (target - 1).
constexpr const char* PLANT_ARGUMENT = "--plant-slowdown";
constexpr double PLANT_MARGINS = 1.5;
extern double plantedFactor;
void ReadPlantArgument(int argc, char** argv, double targetRatio);

// Times `product` and `baseline` one call each in turn, `callsPerRound`
// calls per round, and summarises the mean seconds per call of each round and
// each round's ratio of the two. The first round only warms up. Taking turns
// call by call, and which goes first changing from call to call, lets a busy
// spell of the machine weigh on both alike; the ratio of a round compares
// calls made side by side, so the median of the rounds' ratios is the figure
// to judge.
struct Comparison {
    Summary product;
    Summary baseline;
    Summary ratios;
    std::vector<double> roundRatios;
    double Ratio() const { return ratios.median; }
};

// The rule every ratio target is judged by: the median of the rounds'
// ratios against `targetRatio`; but when the distribution-free 95 %
// confidence interval of that median (order statistics of the rounds'
// ratios) is wider on either side than the target's margin
// (targetRatio - 1), a difference of the target's size cannot be told from
// the noise, and the verdict is WithinNoise.
Verdict Judge(const std::vector<double>& ratios, double targetRatio);

template <typename Product, typename Baseline>
Comparison CompareAlternating(Product product, Baseline baseline, int callsPerRound, int rounds)
{
    std::vector<double> productTimes;
    std::vector<double> baselineTimes;
    std::vector<double> ratios;
    const auto timed = [](auto& call) {
        const LONGLONG start = Count();
        call();
        return SecondsBetween(start, Count());
    };
    const auto timedProduct = [&timed, &product] {
        const double seconds = timed(product);
        if (plantedFactor <= 1) return seconds;
        const LONGLONG start = Count();
        Spin(seconds * (plantedFactor - 1));
        return seconds + SecondsBetween(start, Count());
    };
    for (int round = 0; round <= rounds; ++round) {
        double productTotal = 0;
        double baselineTotal = 0;
        for (int call = 0; call < callsPerRound; ++call) {
            if ((round + call) % 2 == 0) {
                productTotal += timedProduct();
                baselineTotal += timed(baseline);
            } else {
                baselineTotal += timed(baseline);
                productTotal += timedProduct();
            }
        }
        if (round == 0) continue;
        productTimes.push_back(productTotal / callsPerRound);
        baselineTimes.push_back(baselineTotal / callsPerRound);
        if (baselineTotal > 0) ratios.push_back(productTotal / baselineTotal);
    }
    return Comparison{Summarize(productTimes), Summarize(baselineTimes), Summarize(ratios), ratios};
}

// Fills `desktop` with `items` icons on a grid; the last is "marrowtune".
// Returns the icon's rectangle.
RECT FillDesktop(standin::Desktop& desktop, int items);

// The same desktop served by desktop-standin.exe in another process, as the
// shell serves it: waits for its "ready", then adds `items` icons, the last
// "marrowtune" at `icon`. False when the stand-in does not answer.
bool FillStandin(processes::StandinProcess& standin, int items, const RECT& icon);

// A rectangle as the stand-in's commands take it: "left top right bottom".
std::string RectText(const RECT& bounds);

// The window the probed programs post their reports to: one of class
// `className` on this thread. Null when it cannot be created.
HWND CreateReportWindow(const char* className);

// Dispatches this thread's messages until one of `message` arrives (left in
// `report`, not dispatched); false when `deadline` (GetTickCount64) passes first.
bool NextReport(UINT message, ULONGLONG deadline, MSG& report);

// The folder of this executable, with a trailing separator.
std::string ExecutableFolder();

// The folder of desktop-standin.exe, beside the benchmarks' folder.
std::string StandinFolder();

// What the process holds. The Windows counters (GetProcessMemoryInfo's
// private bytes, GetGuiResources) are kept as reported; Wine reports 0 for
// all three, so the same quantities are also counted directly: committed
// private memory by walking the address space, GDI and USER objects by
// probing their handle tables (kit/gui_objects.h).
struct Holdings {
    SIZE_T reportedPrivateBytes = 0;
    DWORD reportedGdiObjects = 0;
    DWORD reportedUserObjects = 0;
    SIZE_T privateBytes = 0;
    long gdiObjects = 0;
    long userObjects = 0;
};
Holdings CountHoldings();

}  // namespace bench
