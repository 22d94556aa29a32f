// The steady state: what the process holds after the real bubble window's
// start, after 10,000 ticks with the icon unchanged and after 1,000 side
// switches with their grows, 100 items in-process, printed for the driver
// to judge as "HOLDINGS <phase> name=value ..." (kit/holdings.h).
#include "bench/bench.h"
#include "kit/bubble_test_window.h"
#include "kit/standin_desktop.h"

namespace bench {

namespace {

constexpr int DESKTOP_ITEMS = 100, MAX_ANIMATION_TICKS = 50;
constexpr int TICKS = 10000, SMOKE_TICKS = 20;
constexpr int SWITCHES = 1000, SMOKE_SWITCHES = 2;
constexpr RECT NEAR_ICON = {20, 100, 95, 170};   // room on the right
constexpr LONG FAR_ICON_BEYOND_ROOM = 30;        // the bubble's width short of room on the right
// Planted, each phase keeps 1.5 times the driver's 64 KiB limit, one brush
// and one window more.
constexpr SIZE_T PLANTED_BYTES = 96 * 1024;

void Plant()
{
    if (!options.plant) return;
    VirtualAlloc(nullptr, PLANTED_BYTES, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    CreateSolidBrush(RGB(0, 0, 0));
    CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
}

void PlaceIcon(standin::Desktop& desktop, const RECT& bounds)
{
    desktop.At(desktop.Count() - 1) = standin::MakeItem(std::string(ICON_NAME), bounds);
    desktop.Update();
}

}  // namespace

int RunSteadyState()
{
    standin::Desktop desktop(standin::Layout::Progman);
    FillDesktop(desktop, DESKTOP_ITEMS);
    PlaceIcon(desktop, NEAR_ICON);
    const LONG right = GetSystemMetrics(SM_CXFULLSCREEN) - LEFT_SIDE_OFFSET + FAR_ICON_BEYOND_ROOM;
    const RECT farIcon{right - (NEAR_ICON.right - NEAR_ICON.left), NEAR_ICON.top, right, NEAR_ICON.bottom};
    const HWND window = CreateBubbleWindowForTest();
    if (window == nullptr || !BubbleBuilt()) Fail("the bubble was not built");
    for (int tick = 0; tick < MAX_ANIMATION_TICKS && bubbleState.alpha < ALPHA_OPAQUE; ++tick) {
        SendMessageA(window, WM_TIMER, TIMER_FADE_IN, 0);
    }
    ReportHoldings("start");
    for (int tick = 0; tick < RunSize(TICKS, SMOKE_TICKS); ++tick) SendMessageA(window, WM_TIMER, TIMER_TRACK, 0);
    Plant();
    ReportHoldings("ticks");
    for (int flip = 0; flip < RunSize(SWITCHES, SMOKE_SWITCHES); ++flip) {
        const bool toFar = flip % 2 == 0;
        PlaceIcon(desktop, toFar ? farIcon : NEAR_ICON);
        SendMessageA(window, WM_TIMER, TIMER_TRACK, 0);
        if ((bubbleState.bubbleOnRight == 0) != toFar) Fail("the bubble did not switch sides");
        for (int tick = 0; tick < MAX_ANIMATION_TICKS; ++tick) {   // the grow, to its end
            SendMessageA(window, WM_TIMER, TIMER_GROW, 0);
            if (bubbleState.growWidth == 0) break;
        }
    }
    if (bubbleState.dismissing) Fail("the icon was lost");
    Plant();
    ReportHoldings("switches");
    return 0;
}

}  // namespace bench
