// The program's walks against the reference walk, the icon last on each
// desktop (docs/benchmarks.md). The locator call: LocateDesktopIcon with an
// object of its own against the reference walk obtaining one too. The
// tracking tick: WM_TIMER with TIMER_TRACK sent to the real bubble window,
// the icon unchanged, against the reference walk on an object kept from tick
// to tick, as the bubble keeps its own, and the reads of the icon's monitor;
// in-process, or (bench.exe tick N) on the N items the stand-in serves.
#include <memory>

#include "app/presentation.h"
#include "bench/bench.h"
#include "kit/bubble_test_window.h"
#include "kit/standin_desktop.h"

namespace bench {

namespace {

constexpr double LOCATOR_TARGET = 1.1, TICK_TARGET = 1.05;
struct Size { int items, callsPerRound, rounds; };
constexpr Size IN_PROCESS_SIZES[] = {{10, 200, 9}, {100, 60, 9}, {1000, 8, 9}};
constexpr Size CROSS_PROCESS_SIZES[] = {{10, 3, 31}, {100, 1, 21}};

HWND bubble = nullptr;
IAccessible* keptList = nullptr;

const auto Tick = [] { SendMessageA(bubble, WM_TIMER, TIMER_TRACK, 0); };

void BareTick()
{
    IconRect icon{};
    if (!ReferenceWalk(keptList, icon)) Fail("the reference walk did not find the icon");
    ReadIconMonitor(icon);
}

// One row on the desktop served now; both walks obtain their object anew.
void Measure(const Size& size, const char* where)
{
    ForgetList(keptList);
    Tick();   // follows the icon to its place on this desktop
    KillTimer(bubble, TIMER_GROW);   // the grow shows nothing a tick measures
    const int presentations = shellCounters.presentations;
    Compare("tracking tick", std::to_string(size.items) + " items " + where + ", us per tick", TICK_TARGET, Tick,
            BareTick, size.callsPerRound, size.rounds);
    if (bubbleState.dismissing) Fail("the icon was lost");
    if (shellCounters.presentations != presentations) Fail("a tick with the icon unchanged presented");
}

}  // namespace

int RunLocator()
{
    standin::Desktop desktop(standin::Layout::Progman);
    for (const Size& size : IN_PROCESS_SIZES) {
        FillDesktop(desktop, size.items);
        IconRect icon{};
        const auto product = [&] {
            if (!LocateDesktopIcon(ICON_NAME, icon)) Fail("the locator did not find the icon");
        };
        const auto baseline = [&] {
            IAccessible* list = nullptr;
            const bool found = ReferenceWalk(list, icon);
            ForgetList(list);
            if (!found) Fail("the reference walk did not find the icon");
        };
        Compare("locator call", std::to_string(size.items) + " items, us per call", LOCATOR_TARGET, product, baseline,
                size.callsPerRound, size.rounds);
    }
    return 0;
}

int RunTick(int servedItems)
{
    const auto desktop = servedItems == 0 ? std::make_unique<standin::Desktop>(standin::Layout::Progman) : nullptr;
    if (desktop) FillDesktop(*desktop, IN_PROCESS_SIZES[0].items);
    bubble = CreateBubbleWindowForTest();
    if (bubble == nullptr || !BubbleBuilt()) Fail("the bubble was not built");
    // Every tick is sent from here: the bubble's own timer would tick too
    // while a wait dispatches this thread's messages.
    KillTimer(bubble, TIMER_TRACK);
    for (const Size& size : IN_PROCESS_SIZES) {
        if (!desktop) break;
        FillDesktop(*desktop, size.items);
        Measure(size, "in-process");
    }
    for (const Size& size : CROSS_PROCESS_SIZES) {
        if (size.items == servedItems) Measure(size, "in another process");
    }
    return 0;
}

}  // namespace bench
