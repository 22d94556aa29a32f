// The steady state: what a process holds after start, after 10,000 tracking
// ticks with the icon unchanged and after 1,000 side switches, each one tick
// and its grow, on a 100-item in-process desktop. The product's run drives the
// real bubble window; the baseline's does the same platform work bare: the
// reference walk on one kept object, and for every switch a new canvas, the
// picture drawn and twelve presentations. Each run prints
//   HOLDINGS <phase> name=value ...   (kit/holdings.h)
// and the driver, which starts each in a fresh process, compares them.
#include <algorithm>
#include <cstdio>

#include "bench/bench.h"
#include "kit/bubble_test_window.h"
#include "kit/holdings.h"
#include "kit/standin_desktop.h"
#include "res/resource.h"

namespace bench {

namespace {

constexpr int DESKTOP_ITEMS = 100;
constexpr int TICKS = 10000;
constexpr int SWITCHES = 1000;
constexpr int SMOKE_TICKS = 20;
constexpr int SMOKE_SWITCHES = 2;
constexpr int MAX_ANIMATION_TICKS = 50;
constexpr RECT NEAR_ICON = {20, 100, 95, 170};   // room on the right
constexpr LONG FAR_ICON_BEYOND_ROOM = 30;        // the bubble's width short of room on the right
// Planted: the product's run keeps 1.5 times the driver's 64 KiB limit, one
// brush and one window more during its ticks.
constexpr SIZE_T PLANTED_BYTES = 96 * 1024;

void Report(const char* phase)
{
    std::printf("HOLDINGS %s %s\n", phase, holdings::Describe(holdings::Count()).c_str());
    std::fflush(stdout);
}

void PlaceIcon(standin::Desktop& desktop, const RECT& bounds)
{
    desktop.At(desktop.Count() - 1) = standin::MakeItem(std::string(ICON_NAME), bounds);
    desktop.Update();
}

void RunProduct(standin::Desktop& desktop, const RECT& farIcon)
{
    const HWND window = CreateBubbleWindowForTest();
    if (window == nullptr || !BubbleBuilt()) Fail("the bubble was not built");
    for (int tick = 0; tick < MAX_ANIMATION_TICKS && bubbleState.alpha < ALPHA_OPAQUE; ++tick) {
        SendMessageA(window, WM_TIMER, TIMER_FADE_IN, 0);
    }
    Report("start");
    for (int tick = 0; tick < RunSize(TICKS, SMOKE_TICKS); ++tick) SendMessageA(window, WM_TIMER, TIMER_TRACK, 0);
    if (options.plant) {
        VirtualAlloc(nullptr, PLANTED_BYTES, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        CreateSolidBrush(RGB(0, 0, 0));
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    }
    Report("ticks");
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
    Report("switches");
}

LRESULT CALLBACK PlainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

void RunBaseline()
{
    WNDCLASSA plainClass{};
    plainClass.lpfnWndProc = PlainWindow;
    plainClass.hInstance = GetModuleHandleA(nullptr);
    plainClass.lpszClassName = "SteadyStateBaseline";
    RegisterClassA(&plainClass);
    const HWND window = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, plainClass.lpszClassName,
                                        "", WS_POPUP, 0, 0, BUBBLE_WIDTH, BUBBLE_HEIGHT, nullptr, nullptr,
                                        plainClass.hInstance, nullptr);
    Gdiplus::GpImage* const sides[] = {DecodePicture(IDP_BUBBLE_RIGHT), DecodePicture(IDP_BUBBLE_LEFT)};
    for (const int id : {IDP_BUTTON_HOVER, IDP_BUTTON_NORMAL, IDP_BUTTON_PRESSED}) DecodePicture(id);
    IAccessible* list = nullptr;
    IconRect icon{};
    if (!ReferenceWalk(list, icon)) Fail("the reference walk did not find the icon");
    Canvas canvas = DrawCanvas(sides[0]);
    const POINT at{icon.right - RIGHT_SIDE_OVERLAP, icon.top};
    Present(window, canvas, at, SIZE{BUBBLE_WIDTH, BUBBLE_HEIGHT}, ALPHA_OPAQUE);
    ShowWindow(window, SW_SHOWNA);
    Report("start");
    for (int tick = 0; tick < RunSize(TICKS, SMOKE_TICKS); ++tick) {
        if (!ReferenceWalk(list, icon)) Fail("the reference walk did not find the icon");
    }
    Report("ticks");
    const int stepX = GROW_DIVIDEND_X / GROW_DIVISOR;
    const int stepY = GROW_DIVIDEND_Y / GROW_DIVISOR;
    for (int flip = 0; flip < RunSize(SWITCHES, SMOKE_SWITCHES); ++flip) {
        ReferenceWalk(list, icon);
        FreeCanvas(canvas);
        canvas = DrawCanvas(sides[(flip + 1) % 2]);
        // Placed with nothing shown, then grown step by step, as the product does.
        for (int step = 0; step <= BUBBLE_WIDTH / stepX + 1; ++step) {
            const SIZE size{std::min(step * stepX, BUBBLE_WIDTH), std::min(step * stepY, BUBBLE_HEIGHT)};
            Present(window, canvas, POINT{at.x + flip % 2, at.y}, size, ALPHA_OPAQUE);
        }
    }
    Report("switches");
    ForgetList(list);
}

}  // namespace

int RunSteadyState(bool product)
{
    standin::Desktop desktop(standin::Layout::Progman);
    FillDesktop(desktop, DESKTOP_ITEMS);
    PlaceIcon(desktop, NEAR_ICON);
    const LONG right = GetSystemMetrics(SM_CXFULLSCREEN) - LEFT_SIDE_OFFSET + FAR_ICON_BEYOND_ROOM;
    if (product) {
        RunProduct(desktop, RECT{right - (NEAR_ICON.right - NEAR_ICON.left), NEAR_ICON.top, right, NEAR_ICON.bottom});
    } else {
        RunBaseline();
    }
    return 0;
}

}  // namespace bench
