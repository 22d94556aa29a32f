// marrowtune-bubble-instrumented.exe: the program's own code as the
// benchmarks, the soak and the end-to-end scenarios run it, with probes and
// plants put in front of its calls through the import table when the
// command line (which the program itself never reads) asks for them:
//   --report-startup         "STARTUP <count at WinMain> <count at the first presentation>", then ends with 0
//   --report-presentations   "PRESENT <count> <x> <y> <width> <height> <source x> <source y> <alpha> <result>"
//                            after every UpdateLayeredWindow call
//   --track-period-ms=N      the tracking timer runs every N ms instead of every 700
//   --report-holdings-every=N  "HOLDINGS <walks> name=value ..." (kit/holdings.h) as every Nth walk
//                            begins, and once more when the program ends
//   --plant-walk-us=N        a planted slow-down: N us of busy work as every walk begins
//   --plant-leak-bytes=N     a planted leak: N bytes allocated and never freed as every walk begins
//   --plant-thread-every=N   a planted fault: a thread that never ends, its handle kept, every N walks
// Counts are of the performance counter (bench::Count); a walk begins when
// the list is asked for its first item. Every line goes to stdout at once.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "bench/bench.h"
#include "bubble/bubble.h"
#include "kit/import_patch.h"

namespace {

constexpr int PROBE_FAILED = 3;   // the program itself always ends with 0
constexpr long ABSENT = -1;

struct Asked {
    bool startup, presentations;
    long trackPeriodMs, holdingsEvery, plantWalkUs, plantLeakBytes, plantThreadEvery;
} asked{};

LONGLONG enteredAt = 0;
long walks = 0;
decltype(&GetProcAddress) realGetProcAddress = nullptr;
decltype(&UpdateLayeredWindow) realUpdateLayeredWindow = nullptr;
decltype(&SetTimer) realSetTimer = nullptr;
decltype(&AccessibleChildren) realAccessibleChildren = nullptr;

BOOL WINAPI ProbedUpdateLayeredWindow(HWND window, HDC destinationDC, POINT* at, SIZE* size, HDC sourceDC,
                                      POINT* source, COLORREF key, BLENDFUNCTION* blend, DWORD flags)
{
    const BOOL result = realUpdateLayeredWindow(window, destinationDC, at, size, sourceDC, source, key, blend, flags);
    if (asked.presentations) {
        const POINT point = at ? *at : POINT{0, 0}, from = source ? *source : POINT{0, 0};
        std::printf("PRESENT %lld %ld %ld %ld %ld %ld %ld %d %d\n", bench::Count(), point.x, point.y,
                    size ? size->cx : 0L, size ? size->cy : 0L, from.x, from.y, blend ? blend->SourceConstantAlpha : -1,
                    result ? 1 : 0);
        std::fflush(stdout);
    }
    if (asked.startup) bench::ReportStartup(enteredAt);
    return result;
}

// The program binds UpdateLayeredWindow by name at every presentation.
FARPROC WINAPI ProbedGetProcAddress(HMODULE module, LPCSTR name)
{
    const FARPROC address = realGetProcAddress(module, name);
    const bool byName = (reinterpret_cast<ULONG_PTR>(name) >> 16) != 0;   // else an ordinal
    if (address == nullptr || !byName || std::strcmp(name, "UpdateLayeredWindow") != 0) return address;
    realUpdateLayeredWindow = reinterpret_cast<decltype(&UpdateLayeredWindow)>(reinterpret_cast<void*>(address));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&ProbedUpdateLayeredWindow));
}

UINT_PTR WINAPI ProbedSetTimer(HWND window, UINT_PTR id, UINT periodMs, TIMERPROC procedure)
{
    if (id == TIMER_TRACK && asked.trackPeriodMs > 0) periodMs = static_cast<UINT>(asked.trackPeriodMs);
    return realSetTimer(window, id, periodMs, procedure);
}

HRESULT STDAPICALLTYPE ProbedAccessibleChildren(IAccessible* list, LONG start, LONG count, VARIANT* children,
                                                LONG* obtained)
{
    if (start == 0) {
        const bool report = asked.holdingsEvery > 0 && walks % asked.holdingsEvery == 0;
        if (report) bench::ReportHoldings(std::to_string(walks));
        ++walks;
        if (asked.plantWalkUs > 0) bench::Spin(asked.plantWalkUs / bench::MICROSECONDS);
        if (asked.plantLeakBytes > 0) HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(asked.plantLeakBytes));
        if (asked.plantThreadEvery > 0 && walks % asked.plantThreadEvery == 0) {
            CreateThread(nullptr, 0, [](void*) -> DWORD { return SleepEx(INFINITE, FALSE); }, nullptr, 0, nullptr);
        }
    }
    return realAccessibleChildren(list, start, count, children, obtained);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR commandLine, int showCommand)
{
    enteredAt = bench::Count();
    const auto option = [commandLine](const char* name) {   // the number after `name`; ABSENT without it
        const char* found = std::strstr(commandLine, name);
        return found ? std::strtol(found + std::strlen(name), nullptr, 10) : ABSENT;
    };
    asked = Asked{option("--report-startup") != ABSENT, option("--report-presentations") != ABSENT,
                  option("--track-period-ms="), option("--report-holdings-every="), option("--plant-walk-us="),
                  option("--plant-leak-bytes="), option("--plant-thread-every=")};
    realGetProcAddress = importpatch::Replace("kernel32.dll", "GetProcAddress", ProbedGetProcAddress);
    realSetTimer = importpatch::Replace("user32.dll", "SetTimer", ProbedSetTimer);
    realAccessibleChildren = importpatch::Replace("oleacc.dll", "AccessibleChildren", ProbedAccessibleChildren);
    if (!realGetProcAddress || !realSetTimer || !realAccessibleChildren) return PROBE_FAILED;
    const int code = RunBubble(instance, showCommand);
    if (asked.holdingsEvery > 0) bench::ReportHoldings(std::to_string(walks));
    return code;
}
