// desktop-standin.exe: the stand-in desktop as a process of its own, driven
// by line commands on stdin (the end-to-end tests, the demo).
//
//   desktop-standin.exe [--progman | --workerw | --raised | --unaware-dpi]
//
// Prints "ready" once its windows exist, then answers every command line with
// one line, "ok" or "error <text>":
//   add <name> <left> <top> <right> <bottom>    move <name> <left> <top> <right> <bottom>
//   rename <old> <new>    remove <name>    hide    show    destroy    recreate
//   freeze <ms>    stall <ms>    quit
//   holdings     answers "ok " and what this process holds, as name=value
//                words (kit/holdings.h; the soak judges the stand-in's heap)
//   foreground   answers "ok <class>" with the class of the foreground window
//                ("ok" alone when there is none)
//   zorder       answers "ok <window> <window> ...": the shown top-level
//                windows from the top down, the stand-in's own as "icons",
//                "wallpaper" and "progman", every other by its class
//   animations on|off   sets the "show animations" switch, as Settings sets it
//   monitors     answers "ok <left>,<top>,<right>,<bottom> ..." for each monitor
//   dpi          answers "ok <dpi> <width>": the system DPI and the screen's
//                width in pixels
// With --unaware-dpi it makes no desktop, stays unaware of DPI, prints
// "ok <dpi> <width>" as such a program sees them (a smaller width where the
// system scales programs unaware of DPI up) and ends.
// freeze stops the whole stand-in at once; stall makes every later question
// for an item's name wait <ms> before it is answered (0: no wait).
// Names are UTF-8 and may be quoted ("...") to hold blanks; commands on a name
// act on the first item of that name. End of input ends the program too.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <objbase.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "kit/standin_desktop.h"
#include "kit/holdings.h"

namespace {

constexpr UINT WM_COMMAND_LINE = WM_APP + 1;   // lParam: a std::string* to take over
constexpr UINT WM_INPUT_ENDED = WM_APP + 2;
constexpr const char* SINK_CLASS = "DesktopStandinCommandSink";
constexpr DWORD READ_CHUNK = 4096;
constexpr long MAX_FREEZE_MS = 600000;

standin::Desktop* desktop = nullptr;

}  // namespace

static void Reply(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Splits a line into blank-separated words; a word in double quotes may hold
// blanks (and may be empty).
static std::vector<std::string> SplitLine(const std::string& line)
{
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        if (line[at] == ' ' || line[at] == '\t') {
            ++at;
            continue;
        }
        if (line[at] == '"') {
            const size_t close = line.find('"', at + 1);
            if (close == std::string::npos) throw std::runtime_error("unterminated quote");
            words.push_back(line.substr(at + 1, close - at - 1));
            at = close + 1;
            continue;
        }
        const size_t end = line.find_first_of(" \t", at);
        const size_t stop = end == std::string::npos ? line.size() : end;
        words.push_back(line.substr(at, stop - at));
        at = stop;
    }
    return words;
}

static bool ParseLong(const std::string& text, long& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && end == text.c_str() + text.size();
}

// Reads the four numbers of a rectangle from words[first..first+3].
static bool ParseRect(const std::vector<std::string>& words, size_t first, RECT& bounds)
{
    long values[4] = {};
    for (size_t i = 0; i < 4; ++i) {
        if (!ParseLong(words[first + i], values[i])) return false;
    }
    bounds = RECT{values[0], values[1], values[2], values[3]};
    return true;
}

// The shown top-level windows from the top down, each as " <name>".
static std::string DescribeZOrder()
{
    std::string order;
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        if (!IsWindowVisible(window)) continue;
        char className[256] = {};
        GetClassNameA(window, className, sizeof className);
        std::string name = className;
        if (window == desktop->TopLevel()) name = "icons";
        else if (window == desktop->Wallpaper()) name = "wallpaper";
        else if (name == standin::PROGMAN_CLASS) name = "progman";
        order += " " + name;
    }
    return order;
}

// Adds " left,top,right,bottom" of `monitor` to the std::string `text` points to.
static BOOL CALLBACK DescribeMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM text)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        *reinterpret_cast<std::string*>(text) += " " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                                                 std::to_string(r.right) + "," + std::to_string(r.bottom);
    }
    return TRUE;
}

// The system DPI and the screen's width, as this process sees them.
static std::string DescribeDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return std::to_string(dpi) + " " + std::to_string(GetSystemMetrics(SM_CXSCREEN));
}

// Carries out one command; returns "ok" or "error <text>" (a line that cannot
// be split throws, and is answered so by the caller).
static std::string Execute(const std::vector<std::string>& words, bool& quit)
{
    if (words.empty()) return "error empty command";
    const std::string& verb = words[0];
    const auto argumentsAre = [&](size_t count) { return words.size() == count + 1; };

    if (verb == "quit" && argumentsAre(0)) {
        quit = true;
        return "ok";
    }
    if ((verb == "hide" || verb == "show") && argumentsAre(0)) {
        desktop->SetListViewVisible(verb == "show");
        return "ok";
    }
    if (verb == "destroy" && argumentsAre(0)) {
        desktop->DestroyWindows();
        return "ok";
    }
    if (verb == "recreate" && argumentsAre(0)) {
        if (desktop->HasWindows()) return "error windows exist";
        desktop->CreateWindows();
        return "ok";
    }
    if ((verb == "freeze" || verb == "stall") && argumentsAre(1)) {
        long milliseconds = 0;
        if (!ParseLong(words[1], milliseconds) || milliseconds < 0 || milliseconds > MAX_FREEZE_MS) {
            return "error bad duration";
        }
        const DWORD wait = static_cast<DWORD>(milliseconds);
        if (verb == "freeze") Sleep(wait);
        else desktop->SetBeforeNameHook(wait == 0 ? std::function<void()>() : [wait] { Sleep(wait); });
        return "ok";
    }
    if (verb == "holdings" && argumentsAre(0)) return "ok " + holdings::Describe(holdings::Count());
    if (verb == "foreground" && argumentsAre(0)) {
        const HWND foreground = GetForegroundWindow();
        char className[256] = {};
        if (foreground == nullptr || GetClassNameA(foreground, className, sizeof className) == 0) return "ok";
        return std::string("ok ") + className;
    }
    if (verb == "zorder" && argumentsAre(0)) return "ok" + DescribeZOrder();
    if (verb == "animations" && argumentsAre(1) && (words[1] == "on" || words[1] == "off")) {
        const BOOL on = words[1] == "on";
        if (!SystemParametersInfoA(SPI_SETCLIENTAREAANIMATION, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(on)),
                                   SPIF_UPDATEINIFILE | SPIF_SENDCHANGE)) {
            return "error cannot set the animations switch";
        }
        return "ok";
    }
    if (verb == "monitors" && argumentsAre(0)) {
        std::string monitors;
        EnumDisplayMonitors(nullptr, nullptr, DescribeMonitor, reinterpret_cast<LPARAM>(&monitors));
        return "ok" + monitors;
    }
    if (verb == "dpi" && argumentsAre(0)) return "ok " + DescribeDpi();
    if (verb == "add" && argumentsAre(5)) {
        RECT bounds{};
        if (!ParseRect(words, 2, bounds)) return "error bad rectangle";
        desktop->Add(standin::MakeItem(words[1], bounds));
        return "ok";
    }
    if ((verb == "move" && argumentsAre(5)) || (verb == "rename" && argumentsAre(2))
        || (verb == "remove" && argumentsAre(1))) {
        const std::optional<size_t> index = desktop->Find(words[1]);
        if (!index) return "error no item named " + words[1];
        RECT bounds{};
        if (verb == "move" && !ParseRect(words, 2, bounds)) return "error bad rectangle";
        if (verb == "remove") desktop->Remove(*index);
        else if (verb == "rename") desktop->At(*index).name = words[2];
        else desktop->At(*index) = standin::MakeItem(desktop->At(*index).name, bounds);   // commands set no faults
        desktop->Update();
        return "ok";
    }
    return "error unknown command or wrong argument count: " + verb;
}

// Receives the reader thread's lines on the GUI thread.
static LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND_LINE: {
        const std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        bool quit = false;
        std::string answer;
        try {
            answer = Execute(SplitLine(*line), quit);
        } catch (const std::exception& failure) {
            answer = std::string("error ") + failure.what();
        }
        Reply(answer);
        if (quit) PostQuitMessage(0);
        return 0;
    }
    case WM_INPUT_ENDED:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Reads stdin with ReadFile rather than the C runtime, so that the process can
// end while this thread is still blocked in a read (the runtime would wait
// for its stream lock at exit).
static DWORD WINAPI ReadCommands(void* parameter)
{
    const HWND sink = static_cast<HWND>(parameter);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char chunk[READ_CHUNK];
    DWORD got = 0;
    while (ReadFile(input, chunk, READ_CHUNK, &got, nullptr) && got > 0) {
        pending.append(chunk, got);
        size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            auto line = std::make_unique<std::string>(pending.substr(0, end));
            pending.erase(0, end + 1);
            if (!line->empty() && line->back() == '\r') line->pop_back();
            if (PostMessageA(sink, WM_COMMAND_LINE, 0, reinterpret_cast<LPARAM>(line.get()))) {
                line.release();   // the sink owns it now
            }
        }
    }
    PostMessageA(sink, WM_INPUT_ENDED, 0, 0);
    return 0;
}

static HWND CreateSink()
{
    standin::RegisterWindowClass(SINK_CLASS, SinkProc);
    return CreateWindowExA(0, SINK_CLASS, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// The shell is aware of each monitor's DPI: its windows and the rectangles
// its accessible items report are in physical pixels on a scaled display.
// The stand-in declares the same awareness before it makes any window (the
// call is looked up by name: older systems and Wine 8 lack it).
static void BecomeDpiAwareAsTheShellIs()
{
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    const auto setContext = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    const HANDLE perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
    if (setContext == nullptr || !setContext(perMonitorV2)) SetProcessDPIAware();
}

static int Run(standin::Layout layout)
{
    const std::string foreign = standin::DescribeForeignShellWindows();
    if (!foreign.empty()) std::fprintf(stderr, "desktop-standin: shell windows already exist: %s\n", foreign.c_str());
    const HWND sink = CreateSink();
    if (sink == nullptr) {
        Reply("error cannot create the command window");
        return 1;
    }
    // Owned by hand: the accessible objects must outlive COM's hold on them,
    // which ends only at CoUninitialize.
    auto owned = std::make_unique<standin::Desktop>(layout);
    desktop = owned.get();
    Reply("ready");

    const HANDLE reader = CreateThread(nullptr, 0, ReadCommands, sink, 0, nullptr);
    if (reader != nullptr) CloseHandle(reader);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    desktop->DestroyWindows();
    DestroyWindow(sink);
    CoUninitialize();
    desktop = nullptr;
    owned.reset();
    return 0;
}

int main(int argc, char** argv)
{
    // Plain "\n" line ends, whatever reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    standin::Layout layout = standin::Layout::Progman;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--workerw") == 0) {
            layout = standin::Layout::WorkerW;
        } else if (std::strcmp(argv[i], "--progman") == 0) {
            layout = standin::Layout::Progman;
        } else if (std::strcmp(argv[i], "--raised") == 0) {
            layout = standin::Layout::Raised;
        } else if (std::strcmp(argv[i], "--unaware-dpi") == 0) {
            Reply("ok " + DescribeDpi());
            return 0;
        } else {
            std::fprintf(stderr, "usage: desktop-standin [--progman | --workerw | --raised | --unaware-dpi]\n");
            return 2;
        }
    }
    BecomeDpiAwareAsTheShellIs();
    // The list view serves its accessible object through COM marshalling.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        Reply("error cannot initialise COM");
        return 1;
    }
    try {
        return Run(layout);
    } catch (const std::exception& failure) {
        Reply(std::string("error ") + failure.what());
        return 1;
    }
}
