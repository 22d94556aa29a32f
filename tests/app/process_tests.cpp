// The program as a process: the single-instance guard, the quiet exit without
// the icon, and the exit code. The stand-in desktop lives in this test
// process and serves the program's accessibility calls while the test pumps
// its messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/app.h"
#include "tests/standin/standin_desktop.h"
#include "tests/support/bubble_test_window.h"

namespace {

constexpr DWORD START_TIMEOUT_MS = 30000;
constexpr DWORD EXIT_TIMEOUT_MS = 30000;
constexpr DWORD STILL_ACTIVE_CODE = STILL_ACTIVE;
constexpr int NO_SHOW_COMMAND = -1;

std::string ProgramPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.erase(folder.find_last_of("\\/"));            // .../tests
    folder.erase(folder.find_last_of("\\/") + 1);        // .../
    return folder + "marrowtune-bubble.exe";
}

class Program {
public:
    // `showCommand` (an SW_ value) is handed to the program as a shortcut
    // hands it over; NO_SHOW_COMMAND leaves the choice to the system.
    explicit Program(const std::string& arguments = "", int showCommand = NO_SHOW_COMMAND)
    {
        std::string commandLine = "\"" + ProgramPath() + "\"" + (arguments.empty() ? "" : " " + arguments);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (showCommand != NO_SHOW_COMMAND) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = static_cast<WORD>(showCommand);
        }
        started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info) != FALSE;
    }
    ~Program()
    {
        if (!started) return;
        if (Running()) TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Running() const { return started && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }

    // Pumps this thread's messages (the stand-in serves the program through
    // them) until the program exits; its exit code, or STILL_ACTIVE.
    DWORD WaitForExit(DWORD timeoutMs)
    {
        PumpUntil([this] { return !Running(); }, timeoutMs);
        DWORD code = STILL_ACTIVE_CODE;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }

    // The program's visible bubble window, once it shows.
    HWND WaitForBubble(DWORD timeoutMs)
    {
        HWND bubble = nullptr;
        PumpUntil(
            [&] {
                bubble = FindBubble();
                return bubble != nullptr || !Running();
            },
            timeoutMs);
        return bubble;
    }

    HWND FindBubble() const
    {
        for (HWND w = FindWindowExA(nullptr, nullptr, BUBBLE_CLASS_NAME, nullptr); w;
             w = FindWindowExA(nullptr, w, BUBBLE_CLASS_NAME, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == info.dwProcessId && IsWindowVisible(w)) return w;
        }
        return nullptr;
    }

    bool started = false;
    PROCESS_INFORMATION info = {};
};

bool MutexExists()
{
    const HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, SINGLE_INSTANCE_MUTEX);
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

const RECT TYPICAL_ICON = {20, 100, 95, 170};

}  // namespace

TEST(Process, WithoutTheIconTheProgramEndsQuietlyWithZero)
{
    // The window is shown for a moment before the loop reads the quit
    // message, but a layered window never given content draws nothing; that
    // nothing is presented is checked in-process (Shell tests).
    Program program;
    ASSERT_TRUE(program.started) << ProgramPath();
    EXPECT_EQ(0u, program.WaitForExit(EXIT_TIMEOUT_MS));
}

TEST(Process, ASecondCopyExitsAtOnceAndLeavesTheFirstAlone)
{
    standin::Desktop desktop;
    const size_t icon = desktop.Add(standin::MakeItem(std::string("marrowtune"), TYPICAL_ICON));

    // Arguments have no effect: the first copy is given some.
    Program first("--hide /config:none extra");
    ASSERT_TRUE(first.started) << ProgramPath();
    const HWND bubble = first.WaitForBubble(START_TIMEOUT_MS);
    ASSERT_NE(nullptr, bubble);
    RECT bounds = {};
    GetWindowRect(bubble, &bounds);
    EXPECT_EQ(85, bounds.left);
    EXPECT_EQ(100, bounds.top);
    EXPECT_TRUE(MutexExists());

    Program second;
    ASSERT_TRUE(second.started);
    EXPECT_EQ(0u, second.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(bubble, first.FindBubble());

    // The icon goes away: the first copy fades out and ends with 0, and the
    // mutex goes with it.
    desktop.Remove(icon);
    EXPECT_EQ(0u, first.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_FALSE(MutexExists());

    // A copy started after the first has ended runs normally.
    const size_t again = desktop.Add(standin::MakeItem(std::string("marrowtune"), TYPICAL_ICON));
    Program third;
    ASSERT_NE(nullptr, third.WaitForBubble(START_TIMEOUT_MS));
    desktop.Remove(again);
    EXPECT_EQ(0u, third.WaitForExit(EXIT_TIMEOUT_MS));
}

TEST(Process, AShortcutSetToMaximizedShowsTheBubbleAtItsSizeWithoutActivatingIt)
{
    standin::Desktop desktop;
    const size_t icon = desktop.Add(standin::MakeItem(std::string("marrowtune"), TYPICAL_ICON));

    // Creation asks for the icon's name once; the next question comes from
    // the first tracking tick, out of the message loop, after WinMain has
    // applied the show command.
    int namesAsked = 0;
    desktop.SetBeforeNameHook([&] { ++namesAsked; });
    Program program("", SW_SHOWMAXIMIZED);
    const HWND bubble = program.WaitForBubble(START_TIMEOUT_MS);
    ASSERT_NE(nullptr, bubble);
    ASSERT_TRUE(PumpUntil([&] { return namesAsked >= 2 || !program.Running(); }, START_TIMEOUT_MS));

    RECT bounds = {};
    GetWindowRect(bubble, &bounds);
    EXPECT_EQ(85, bounds.left);
    EXPECT_EQ(100, bounds.top);
    EXPECT_EQ(BUBBLE_WIDTH, bounds.right - bounds.left);
    EXPECT_EQ(BUBBLE_HEIGHT, bounds.bottom - bounds.top);
    EXPECT_FALSE(IsZoomed(bubble));
    EXPECT_NE(bubble, GetForegroundWindow());

    desktop.Remove(icon);
    EXPECT_EQ(0u, program.WaitForExit(EXIT_TIMEOUT_MS));
}
