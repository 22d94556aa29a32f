// The locator call: LocateDesktopIcon with an object of its own against the
// reference walk obtaining one too, on in-process desktops of 10, 100 and
// 1,000 items, the icon last. Target: at most 1.1.
#include "bench/bench.h"
#include "kit/standin_desktop.h"

namespace bench {

namespace {

constexpr double TARGET = 1.1;
constexpr int ROUNDS = 9;
struct Size {
    int items;
    int callsPerRound;
};
constexpr Size SIZES[] = {{10, 200}, {100, 60}, {1000, 8}};

}  // namespace

int RunLocator()
{
    standin::Desktop desktop(standin::Layout::Progman);
    for (const Size& size : SIZES) {
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
        Compare("locator call", std::to_string(size.items) + " items, us per call", TARGET, product, baseline,
                size.callsPerRound, ROUNDS);
    }
    return 0;
}

}  // namespace bench
