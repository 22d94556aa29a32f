// Which calls of a walk make a process grow: makes one kind of call (or a
// whole walk) many times against the desktop now shown (a desktop-standin.exe
// started by the caller) or against one served in this process, and prints
// what this process holds before and after: committed private bytes, and the
// busy blocks of its heaps as HeapWalk counts them.
//
//   walk_growth.exe [--in-process] <kind> <calls>
//     kind: object | count | children | names | location   one kind of call
//           walk             the minimal walk, a fresh object each time
//           kept-walk        the minimal walk with one object kept throughout
//           product          the program's LocateDesktopIcon as the bubble
//                            calls it: the object it keeps between calls
//   object and walk obtain an object at every call and hold none between
//   calls; count, children, names, location and kept-walk use one object
//   obtained at the start.
//
// Prints "GROWTH <kind> <calls> <private bytes before> <after> <heap blocks
// before> <after> <heap bytes before> <after>" after a warm-up of WARM_UP
// calls; exits 1 when a call fails.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/minimal_walk.h"
#include "locator/locator.h"
#include "kit/standin_desktop.h"
#include "kit/heap_usage.h"

namespace {

constexpr int WARM_UP = 50;
constexpr int IN_PROCESS_ITEMS = 10;

}  // namespace

int main(int argc, char** argv)
{
    int first = 1;
    const bool inProcess = argc > 1 && std::strcmp(argv[1], "--in-process") == 0;
    if (inProcess) ++first;
    if (argc != first + 2) {
        std::fprintf(stderr, "usage: walk_growth [--in-process] <kind> <calls>\n");
        return 2;
    }
    const std::string kind = argv[first];
    const int calls = std::atoi(argv[first + 1]);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::unique_ptr<standin::Desktop> desktop;
    if (inProcess) {
        desktop = std::make_unique<standin::Desktop>(standin::Layout::Progman);
        bench::FillDesktop(*desktop, IN_PROCESS_ITEMS);
    }
    const HWND listView = bench::MinimalListView();
    // The kinds that obtain an object of their own hold none besides: a
    // reference held across the calls changes what the serving process keeps.
    const bool holdsObject = kind != "object" && kind != "walk" && kind != "product";
    IAccessible* kept = holdsObject ? bench::MinimalClientObject(listView) : nullptr;
    if (holdsObject && kept == nullptr) {
        std::fprintf(stderr, "walk_growth: no desktop list view object\n");
        return 1;
    }
    const struct {
        const char* name;
        bench::WalkCall call;
    } kinds[] = {{"object", bench::WalkCall::Object},     {"count", bench::WalkCall::ChildCount},
                 {"children", bench::WalkCall::Children}, {"names", bench::WalkCall::Names},
                 {"location", bench::WalkCall::Location}};
    std::function<bool()> once;
    for (const auto& each : kinds) {
        if (kind == each.name) {
            const bench::WalkCall call = each.call;
            once = [call, listView, kept] { return bench::MinimalCallsOfOneKind(call, listView, kept); };
        }
    }
    RECT where{};
    IconRect rect{};
    if (kind == "walk") once = [&where] { return bench::MinimalWalk(bench::WIDE_TARGET_NAME, where); };
    if (kind == "kept-walk") {
        once = [&where, kept] { return bench::MinimalWalkWith(kept, bench::WIDE_TARGET_NAME, where); };
    }
    DesktopListObject productKept;
    if (kind == "product") {
        once = [&rect, &productKept] { return LocateDesktopIcon(bench::TARGET_NAME, rect, productKept); };
    }
    if (!once) {
        std::fprintf(stderr, "walk_growth: unknown kind %s\n", kind.c_str());
        return 2;
    }
    for (int call = 0; call < WARM_UP; ++call) {
        if (!once()) return 1;
    }
    const SIZE_T bytesBefore = bench::CountHoldings().privateBytes;
    const heapusage::HeapUsage heapBefore = heapusage::CountHeapUsage();
    for (int call = 0; call < calls; ++call) {
        if (!once()) {
            std::fprintf(stderr, "walk_growth: call %d failed\n", call);
            return 1;
        }
    }
    const SIZE_T bytesAfter = bench::CountHoldings().privateBytes;
    const heapusage::HeapUsage heapAfter = heapusage::CountHeapUsage();
    std::printf("GROWTH %s %d %llu %llu %llu %llu %llu %llu\n", kind.c_str(), calls,
                static_cast<unsigned long long>(bytesBefore), static_cast<unsigned long long>(bytesAfter),
                heapBefore.blocks, heapAfter.blocks, heapBefore.bytes, heapAfter.bytes);
    std::fflush(stdout);
    if (kept != nullptr) kept->Release();
    ReleaseDesktopListObject(productKept);
    desktop.reset();
    CoUninitialize();
    return 0;
}
