// The tracking tick: WM_TIMER with TIMER_TRACK sent to the real bubble
// window, the icon unchanged, against the bare platform work of a tick: the
// reference walk on an object kept from tick to tick, as the bubble keeps
// its own, and the read of the screen's width the placement needs. The icon
// is last on desktops of 10, 100 and 1,000 items served in this process, and
// of 10 and 100 items served by desktop-standin.exe in another process, as
// the shell serves the program. Target: at most 1.05.
#include <objbase.h>

#include "app/presentation.h"
#include "bench/bench.h"
#include "kit/bubble_test_window.h"
#include "kit/process_support.h"
#include "kit/standin_desktop.h"

namespace bench {

namespace {

constexpr double TARGET = 1.05;
struct Size {
    int items;
    int callsPerRound;
    int rounds;
};
constexpr Size IN_PROCESS_SIZES[] = {{10, 200, 9}, {100, 60, 9}, {1000, 8, 9}};
constexpr Size CROSS_PROCESS_SIZES[] = {{10, 3, 31}, {100, 1, 21}};

HWND bubble = nullptr;
IAccessible* keptList = nullptr;

void Tick()
{
    SendMessageA(bubble, WM_TIMER, TIMER_TRACK, 0);
}

void BareTick()
{
    IconRect icon{};
    GetSystemMetrics(SM_CXFULLSCREEN);
    if (!ReferenceWalk(keptList, icon)) Fail("the reference walk did not find the icon");
}

// One row on the desktop served now; both walks obtain their object anew.
void Measure(const Size& size, const char* where)
{
    ForgetList(keptList);
    Tick();   // follows the icon to its place on this desktop
    KillTimer(bubble, TIMER_GROW);   // the grow shows nothing a tick measures
    const int presentations = shellCounters.presentations;
    Compare("tracking tick", std::to_string(size.items) + " items " + where + ", us per tick", TARGET, Tick, BareTick,
            size.callsPerRound, size.rounds);
    if (bubbleState.dismissing) Fail("the icon was lost");
    if (shellCounters.presentations != presentations) Fail("a tick with the icon unchanged presented");
}

}  // namespace

int RunTick()
{
    standin::Desktop desktop(standin::Layout::Progman);
    FillDesktop(desktop, IN_PROCESS_SIZES[0].items);
    bubble = CreateBubbleWindowForTest();
    if (bubble == nullptr || !BubbleBuilt()) Fail("the bubble was not built");
    // Every tick is sent from here: the bubble's own timer would tick too
    // while a wait dispatches this thread's messages.
    KillTimer(bubble, TIMER_TRACK);
    for (const Size& size : IN_PROCESS_SIZES) {
        FillDesktop(desktop, size.items);
        Measure(size, "in-process");
    }
    desktop.DestroyWindows();
    for (const Size& size : CROSS_PROCESS_SIZES) {
        processes::StandinProcess standin("", processes::TestFolder() + "..\\tests\\");
        if (standin.ReadLine() != "ready") Fail("desktop-standin.exe did not start");
        for (int index = 0; index < size.items; ++index) {
            const RECT place = index + 1 == size.items ? IconPlace(size.items) : RECT{index, 0, index + 1, 1};
            const std::string name = index + 1 == size.items ? ICON_NAME : "\"Item " + std::to_string(index) + "\"";
            if (standin.Send("add " + name + " " + std::to_string(place.left) + " " + std::to_string(place.top) +
                             " " + std::to_string(place.right) + " " + std::to_string(place.bottom)) != "ok") {
                Fail("desktop-standin.exe refused an item");
            }
        }
        Measure(size, "in another process");
        ForgetList(keptList);
    }
    return 0;
}

}  // namespace bench
