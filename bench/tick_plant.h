// A CPU cost planted in every tracking tick of the benchmark's build of the
// program (marrowtune-bubble-probed.exe), so that the idle-cost row of
// scripts/bench can be shown to turn red. The program never has it.
#pragma once

namespace bench {

// "--plant-tick-cpu-us=N": N microseconds of busy work after each tracking
// tick of the bubble window.
constexpr const char* PLANT_TICK_ARGUMENT = "--plant-tick-cpu-us=";

// When `commandLine` holds PLANT_TICK_ARGUMENT: once the first window of
// `className` has been created, wraps its window procedure so that every
// WM_TIMER of the tracking timer is followed by the planted busy work.
void PlantTickCostIfAsked(const char* commandLine, const char* className);

}  // namespace bench
