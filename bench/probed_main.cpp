// The program as the start-up, user-wait and planted idle benchmarks run it:
// the product's own entry code, with the start-up report, the presentation
// reports or the planted tick cost in front when the benchmark asks for them.
#include <windows.h>

#include "app/app.h"
#include "bench/presentation_probe.h"
#include "bench/startup_probe.h"
#include "bench/tick_plant.h"

namespace {

constexpr int PROBE_FAILED = 3;   // the benchmark takes any other code than 0 as a failure

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR commandLine, int showCommand)
{
    bench::ReportStartupIfAsked(commandLine, BUBBLE_CLASS_NAME);
    bench::PlantTickCostIfAsked(commandLine, BUBBLE_CLASS_NAME);
    if (!bench::ReportPresentationsIfAsked(commandLine)) return PROBE_FAILED;
    return RunBubble(instance, showCommand);
}
