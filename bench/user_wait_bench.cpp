// What a user waits for on a busy desktop, with the program's own code in a
// process of its own and the desktop served by desktop-standin.exe in
// another, as the shell serves it:
//  - from the release of a click on the dismiss button to the first
//    presentation of the fade-out;
//  - from a move of the icon to the first presentation at the new place that
//    shows something (the 0 x 0 presentation that begins the grow shows
//    nothing, and Wine refuses it: the first step of the grow is this one).
// The program is marrowtune-bubble-probed.exe, which reports every
// UpdateLayeredWindow call that succeeded, with the time it returned. The
// click is posted to the bubble's window as the two mouse messages it
// becomes; the move is written to the stand-in. Both happen at moments
// spread evenly over the 700 ms tracking period (a fixed random sequence).
// A 100-item desktop against a 10-item one: median and range in
// milliseconds, and the share of the period one bare walk of each desktop
// takes. No targets: the figures show what the walk costs a user.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/presentation_probe.h"
#include "bubble/bubble.h"
#include "kit/process_support.h"

namespace {

constexpr int DESKTOP_SIZES[] = {10, 100};
constexpr int SAMPLES = 11;   // clicks, and moves, per desktop
constexpr int WALKS = 5;      // bare walks timed per desktop
constexpr RECT ICON_PLACES[] = {{20, 100, 95, 170}, {20, 300, 95, 370}};   // both with room on the right
constexpr DWORD REPORT_LIMIT_MS = 30000;
constexpr double MILLISECONDS = 1e3;
constexpr double PERCENT = 100;
constexpr std::mt19937::result_type RANDOM_SEED = 15;
constexpr const char* PROBED_EXE = "marrowtune-bubble-probed.exe";

struct Report {
    bench::Presentation presentation;
    LONGLONG at = 0;   // performance counter
};

void Fail(const std::string& what)
{
    std::fprintf(stderr, "user_wait_bench: %s\n", what.c_str());
    std::exit(1);
}

// The next presentation that `wanted` accepts; the run fails after the limit.
template <typename Wanted>
Report AwaitPresentation(Wanted wanted, const std::string& what)
{
    const ULONGLONG deadline = GetTickCount64() + REPORT_LIMIT_MS;
    MSG message{};
    while (bench::NextReport(bench::WM_PRESENTATION_REPORT, deadline, message)) {
        Report report;
        report.presentation = bench::UnpackPresentation(message.wParam);
        report.at = static_cast<LONGLONG>(message.lParam);
        if (wanted(report.presentation)) return report;
    }
    Fail("no presentation " + what);
    return Report{};
}

// Serves this thread for `milliseconds`; the reports that arrive are dropped.
void Pause(DWORD milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    MSG message{};
    while (bench::NextReport(bench::WM_PRESENTATION_REPORT, deadline, message)) {
    }
}

// A moment spread evenly over the tracking period.
DWORD RandomPhase(std::mt19937& random)
{
    return std::uniform_int_distribution<DWORD>(0, TRACK_PERIOD_MS - 1)(random);
}

bool FadedIn(const bench::Presentation& presentation)
{
    return presentation.alpha == ALPHA_OPAQUE && presentation.width == BUBBLE_WIDTH &&
           presentation.height == BUBBLE_HEIGHT;
}

// The probed build, which reports every presentation to the benchmark.
processes::ProgramProcess StartProbed()
{
    return processes::ProgramProcess(bench::REPORT_PRESENTATIONS_ARGUMENT, processes::NO_SHOW_COMMAND,
                                     bench::ExecutableFolder() + PROBED_EXE);
}

// Waits until the started program's bubble has faded in; returns its window.
HWND AwaitFadedIn(processes::ProgramProcess& program)
{
    if (!program.Started()) Fail(std::string("cannot start ") + PROBED_EXE);
    AwaitPresentation(FadedIn, "of the faded-in bubble");
    const HWND bubble = program.FindBubble();
    if (bubble == nullptr) Fail("the bubble window was not found");
    return bubble;
}

// Waits for the program's end (the next one may start only then) and drops
// the reports of its last presentations.
void AwaitEnd(processes::ProgramProcess& program)
{
    if (program.WaitForExit() != 0) Fail("the program did not end with 0");
    Pause(0);
}

// One click in a fresh program: seconds from the release to the first
// presentation of the fade-out.
double TimeOneDismiss(std::mt19937& random)
{
    processes::ProgramProcess program = StartProbed();
    const HWND bubble = AwaitFadedIn(program);
    Pause(RandomPhase(random));
    const RECT button = DISMISS_RECT_RIGHT_SIDE;   // the icon leaves room on the right
    const LPARAM where = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    PostMessageA(bubble, WM_LBUTTONDOWN, MK_LBUTTON, where);
    const LONGLONG released = bench::Count();
    PostMessageA(bubble, WM_LBUTTONUP, 0, where);
    const Report first = AwaitPresentation(
        [](const bench::Presentation& presentation) { return presentation.alpha < ALPHA_OPAQUE; },
        "of the fade-out");
    AwaitEnd(program);
    return bench::SecondsBetween(released, first.at);
}

// Moves of the icon between its two places, tracked by one program:
// milliseconds from each move to the first presentation at the new place
// that shows something. The icon is back at its first place afterwards.
std::vector<double> TimeMoves(processes::StandinProcess& standin, std::mt19937& random)
{
    processes::ProgramProcess program = StartProbed();
    AwaitFadedIn(program);
    std::vector<double> waits;
    for (int sample = 0; sample < bench::RunSize(SAMPLES); ++sample) {
        Pause(RandomPhase(random));
        const RECT& to = ICON_PLACES[(sample + 1) % 2];
        const IconRect icon{to.left, to.top, to.right, to.bottom};
        const IconDisplay display = DisplayOfIcon(icon);
        const BubblePlacement place = PlaceBubble(icon, display.workArea, display.dpi);
        const auto atNewPlace = [&place](const bench::Presentation& presentation) {
            return presentation.x == place.x && presentation.y == place.y && presentation.width > 0;
        };
        const LONGLONG moved = bench::Count();
        if (!standin.Post(std::string("move ") + bench::TARGET_NAME + " " + bench::RectText(to))) {
            Fail("cannot write to desktop-standin.exe");
        }
        const Report first = AwaitPresentation(atNewPlace, "at the icon's new place");
        waits.push_back(bench::SecondsBetween(moved, first.at) * MILLISECONDS);
        AwaitPresentation(
            [&](const bench::Presentation& presentation) {
                return atNewPlace(presentation) && presentation.width == BUBBLE_WIDTH;
            },
            "of the grown bubble");
        if (standin.ReadLine() != "ok") Fail("desktop-standin.exe did not move the icon");
    }
    // The icon goes: the program fades out and ends.
    if (standin.Send(std::string("remove ") + bench::TARGET_NAME) != "ok") Fail("the icon was not removed");
    AwaitEnd(program);
    if (standin.Send(std::string("add ") + bench::TARGET_NAME + " " + bench::RectText(ICON_PLACES[0])) != "ok") {
        Fail("the icon was not added back");
    }
    return waits;
}

// Milliseconds per bare walk of the desktop now served.
bench::Summary TimeWalks()
{
    std::vector<double> times;
    for (int walk = 0; walk < bench::RunSize(WALKS); ++walk) {
        IconRect rect{};
        const LONGLONG start = bench::Count();
        if (!bench::BareLookup(bench::TARGET_NAME, rect)) Fail("the bare walk did not find the icon");
        times.push_back(bench::SecondsBetween(start, bench::Count()) * MILLISECONDS);
    }
    return bench::Summarize(times);
}

void PrintWait(const std::string& figure, int items, const std::vector<double>& waits)
{
    const std::string described = bench::Describe(bench::Summarize(waits), 1);
    std::printf("  %-58s %s ms\n", figure.c_str(), described.c_str());
    bench::PrintResult("user's wait", figure + ", " + std::to_string(items) + " items, ms", described, "-", -1,
                       bench::NO_TARGET, false);
}

}  // namespace

int main(int argc, char** argv)
{
    bench::ReadSmokeArgument(argc, argv);
    // The bare walks call into the stand-in's process through COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HWND driver = bench::CreateReportWindow(bench::PRESENTATION_DRIVER_CLASS);
    if (driver == nullptr) Fail("cannot create the report window");
    std::mt19937 random(RANDOM_SEED);

    std::printf("The user's wait, the desktop served by desktop-standin.exe in another process; %d clicks and\n"
                "%d icon moves per desktop at moments spread over the %u ms tracking period; milliseconds\n",
                SAMPLES, SAMPLES, TRACK_PERIOD_MS);
    for (const int items : DESKTOP_SIZES) {
        if (bench::smokeRun && items != DESKTOP_SIZES[0]) break;   // the smallest desktop only
        processes::StandinProcess standin("", bench::StandinFolder());
        if (!bench::FillStandin(standin, items, ICON_PLACES[0])) Fail("desktop-standin.exe does not answer");
        std::printf("%d items\n", items);

        const bench::Summary walk = TimeWalks();
        char share[96];
        std::snprintf(share, sizeof share, "%s (%.0f %%)", bench::Describe(walk, 1).c_str(),
                      PERCENT * walk.median / TRACK_PERIOD_MS);
        std::printf("  %-58s %s\n", "one bare walk (share of the period)", share);
        bench::PrintResult("user's wait",
                           "one bare walk, " + std::to_string(items) + " items, ms (share of the 700 ms period)",
                           share, "-", -1, bench::NO_TARGET, false);

        PrintWait("icon move to first presentation at the new place", items, TimeMoves(standin, random));

        std::vector<double> dismissals;
        for (int sample = 0; sample < bench::RunSize(SAMPLES); ++sample) {
            dismissals.push_back(TimeOneDismiss(random) * MILLISECONDS);
        }
        PrintWait("click release to first fade-out presentation", items, dismissals);
        standin.Send("quit");
    }
    DestroyWindow(driver);
    CoUninitialize();
    return 0;
}
