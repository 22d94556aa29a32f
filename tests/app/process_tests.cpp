// The program as a process: the single-instance guard, the quiet exit without
// the icon, and the exit code. The stand-in desktop lives in this test
// process and serves the program's accessibility calls while the test pumps
// its messages.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <ostream>
#include <string>

#include "app/app.h"
#include "kit/standin_desktop.h"
#include "kit/bubble_test_window.h"
#include "kit/process_support.h"

using processes::ProgramPath;
using processes::ProgramProcess;

namespace {

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
    // A desktop without the icon: the program asks the one item its name at
    // creation and ends. Going on without the icon would ask again at the
    // first tracking tick before a fade-out ended it, also with 0.
    standin::Desktop desktop;
    desktop.Add(standin::MakeItem(std::string("Recycle Bin"), TYPICAL_ICON));
    int namesAsked = 0;
    desktop.SetBeforeNameHook([&] { ++namesAsked; });
    ProgramProcess program;
    ASSERT_TRUE(program.Started()) << ProgramPath();
    EXPECT_EQ(0u, program.WaitForExit());
    EXPECT_EQ(1, namesAsked);
}

TEST(Process, ASecondCopyExitsAtOnceAndLeavesTheFirstAlone)
{
    standin::Desktop desktop;
    const size_t icon = desktop.Add(standin::MakeItem(std::string("marrowtune"), TYPICAL_ICON));

    // Arguments have no effect: the first copy is given some.
    ProgramProcess first("--hide /config:none extra");
    ASSERT_TRUE(first.Started()) << ProgramPath();
    const HWND bubble = first.WaitForBubble();
    ASSERT_NE(nullptr, bubble);
    EXPECT_TRUE(CoversBubbleAt(bubble, 85, 100));
    EXPECT_TRUE(MutexExists());

    ProgramProcess second;
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(0u, second.WaitForExit());
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(bubble, first.FindBubble());

    // The icon goes away: the first copy fades out and ends with 0, and the
    // mutex goes with it.
    desktop.Remove(icon);
    EXPECT_EQ(0u, first.WaitForExit());
    EXPECT_FALSE(MutexExists());

    // A copy started after the first has ended runs normally.
    const size_t again = desktop.Add(standin::MakeItem(std::string("marrowtune"), TYPICAL_ICON));
    ProgramProcess third;
    ASSERT_NE(nullptr, third.WaitForBubble());
    desktop.Remove(again);
    EXPECT_EQ(0u, third.WaitForExit());
}

// While a walk waits on the shell, the bubble's thread goes on answering
// messages sent to it (the shell's own, a hung-window check): here the shell,
// asked a name, sends the bubble a message and waits for the answer.
TEST(Process, WhileAWalkWaitsOnTheShellTheBubbleAnswersMessagesSentToIt)
{
    constexpr UINT ANSWER_LIMIT_MS = 10000;
    standin::Desktop desktop;
    const size_t icon = desktop.Add(standin::MakeItem(std::string("marrowtune"), TYPICAL_ICON));
    ProgramProcess program;
    const HWND bubble = program.WaitForBubble();
    ASSERT_NE(nullptr, bubble);

    bool asked = false;
    bool answered = false;
    desktop.SetBeforeNameHook([&] {
        if (asked) return;
        asked = true;
        DWORD_PTR ignored = 0;
        answered = SendMessageTimeoutA(bubble, WM_NULL, 0, 0, SMTO_NORMAL, ANSWER_LIMIT_MS, &ignored) != 0;
    });
    ASSERT_TRUE(processes::WaitFor([&] { return asked; })) << "no tracking tick asked for a name";
    EXPECT_TRUE(answered) << "the bubble did not answer while its walk waited on the shell";

    desktop.SetBeforeNameHook(nullptr);
    desktop.Remove(icon);
    EXPECT_EQ(0u, program.WaitForExit());
}

// A copy started elevated (by an installer) creates the mutex with a
// security descriptor an unelevated copy may not open; its CreateMutexA then
// fails with ERROR_ACCESS_DENIED. Here the test process plays the elevated
// copy with a mutex nobody may open.
TEST(Process, ACopyDeniedTheMutexOfAnotherCopyExitsAtOnce)
{
    standin::Desktop desktop;
    desktop.Add(standin::MakeItem(std::string("marrowtune"), TYPICAL_ICON));

    PSECURITY_DESCRIPTOR denyEveryone = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;GA;;;WD)", SDDL_REVISION_1,
                                                                     &denyEveryone, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, denyEveryone, FALSE};
    const HANDLE elevatedCopysMutex = CreateMutexA(&attributes, TRUE, SINGLE_INSTANCE_MUTEX);
    LocalFree(denyEveryone);
    ASSERT_NE(nullptr, elevatedCopysMutex);
    SetLastError(0);
    const HANDLE reopened = CreateMutexA(nullptr, TRUE, SINGLE_INSTANCE_MUTEX);
    const DWORD reopenError = GetLastError();
    if (reopened) CloseHandle(reopened);
    ASSERT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), reopenError) << "the platform did not deny the mutex";

    ProgramProcess program;
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(0u, program.WaitForExit());
    EXPECT_EQ(nullptr, program.FindBubble());
    CloseHandle(elevatedCopysMutex);
}

// A shortcut set to "Minimized" or "Maximized", or a launcher that starts the
// program hidden: whatever show command comes, the bubble stands beside the
// icon at its size, visible, and does not take the foreground.
struct ShowCommand { int command; const char* name; };
const ShowCommand SHOW_COMMANDS[] = {
    {SW_HIDE, "Hide"},         {SW_SHOWMINIMIZED, "ShowMinimized"},     {SW_SHOWMAXIMIZED, "ShowMaximized"},
    {SW_MINIMIZE, "Minimize"}, {SW_SHOWMINNOACTIVE, "ShowMinNoActive"}, {SW_FORCEMINIMIZE, "ForceMinimize"},
};
void PrintTo(const ShowCommand& show, std::ostream* out) { *out << show.name; }

class ShowCommandTest : public testing::TestWithParam<ShowCommand> {};

TEST_P(ShowCommandTest, ShowsTheBubbleBesideTheIconWithoutActivatingIt)
{
    standin::Desktop desktop;
    const size_t icon = desktop.Add(standin::MakeItem(std::string("marrowtune"), TYPICAL_ICON));

    // Creation asks for the icon's name once; the next question comes from
    // the first tracking tick, out of the message loop, after WinMain has
    // applied the show command.
    int namesAsked = 0;
    desktop.SetBeforeNameHook([&] { ++namesAsked; });
    ProgramProcess program("", GetParam().command);
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(processes::WaitFor([&] { return namesAsked >= 2 || !program.Running(); }));
    const HWND bubble = program.FindBubble();
    ASSERT_NE(nullptr, bubble) << "the bubble is not visible";

    EXPECT_TRUE(CoversBubbleAt(bubble, 85, 100)) << "the show command changed the bubble's size or place";
    EXPECT_FALSE(IsZoomed(bubble));
    EXPECT_FALSE(IsIconic(bubble));
    EXPECT_NE(bubble, GetForegroundWindow());

    desktop.Remove(icon);
    EXPECT_EQ(0u, program.WaitForExit());
}

INSTANTIATE_TEST_SUITE_P(Process, ShowCommandTest, testing::ValuesIn(SHOW_COMMANDS),
                         [](const testing::TestParamInfo<ShowCommand>& info) { return std::string(info.param.name); });
