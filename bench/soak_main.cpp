// The program as scripts/soak runs it: the product's own entry code, with
// two additions for the soak only. Once the message loop runs, the bubble's
// tracking timer is armed again with the period SOAK_TRACK_PERIOD_MS (a
// compile definition of this target alone), so that thousands of ticks fit
// in minutes; and every REPORT_EVERY tracking ticks one line goes to stdout:
//   TICKS <ticks> <committed private bytes> <GDI objects> <USER objects>
//         <handles> <heap blocks> <heap bytes>
// (the bytes and objects counted as the benchmarks count them, the handles
// as GetProcessHandleCount reports them, the busy blocks of the heaps as
// HeapWalk finds them).
#include <windows.h>

#include <cstdio>

#include "app/app.h"
#include "bench/bench_support.h"
#include "bubble/bubble.h"
#include "kit/heap_usage.h"

#ifndef SOAK_TRACK_PERIOD_MS
#error "SOAK_TRACK_PERIOD_MS is set by the soak target"
#endif

namespace {

constexpr UINT SHORT_TRACK_PERIOD_MS = SOAK_TRACK_PERIOD_MS;
constexpr long REPORT_EVERY = 250;
constexpr UINT AT_ONCE_MS = USER_TIMER_MINIMUM;

HHOOK messageHook = nullptr;
long trackingTicks = 0;

void ReportHoldings()
{
    const bench::Holdings holdings = bench::CountHoldings();
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    const heapusage::HeapUsage heap = heapusage::CountHeapUsage();
    std::printf("TICKS %ld %llu %ld %ld %lu %llu %llu\n", trackingTicks,
                static_cast<unsigned long long>(holdings.privateBytes), holdings.gdiObjects, holdings.userObjects,
                handles, heap.blocks, heap.bytes);
    std::fflush(stdout);
}

// Counts the tracking ticks this thread takes from its queue.
LRESULT CALLBACK CountTicks(int code, WPARAM removal, LPARAM message)
{
    const MSG* taken = reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removal == PM_REMOVE && taken->message == WM_TIMER && taken->wParam == TIMER_TRACK &&
        taken->hwnd != nullptr) {
        if (trackingTicks++ % REPORT_EVERY == 0) ReportHoldings();
    }
    return CallNextHookEx(messageHook, code, removal, message);
}

BOOL CALLBACK ShortenIfBubble(HWND window, LPARAM)
{
    char className[sizeof BUBBLE_CLASS_NAME] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, BUBBLE_CLASS_NAME) == 0) SetTimer(window, TIMER_TRACK, SHORT_TRACK_PERIOD_MS, nullptr);
    return TRUE;
}

// Runs once, from the first messages of the loop: the bubble exists by then
// and its tracking timer runs.
void CALLBACK ShortenTracking(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    EnumThreadWindows(GetCurrentThreadId(), ShortenIfBubble, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/, int showCommand)
{
    messageHook = SetWindowsHookExA(WH_GETMESSAGE, CountTicks, nullptr, GetCurrentThreadId());
    SetTimer(nullptr, 0, AT_ONCE_MS, ShortenTracking);
    const int code = RunBubble(instance, showCommand);
    ReportHoldings();
    if (messageHook != nullptr) UnhookWindowsHookEx(messageHook);
    return code;
}
