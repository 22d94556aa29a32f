// The program as a process against a shell in another process that stops
// answering, loses its windows or dies. The clicks are posted to the
// program's bubble window as the mouse messages a real click produces.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "kit/standin_desktop.h"
#include "kit/button_input.h"
#include "kit/process_support.h"

using processes::ProgramProcess;
using processes::StandinProcess;
using processes::WaitForPlace;

namespace {

// The bubble beside the icon {20, 100, 95, 170}: x = right - 10, y = top.
constexpr LONG FIRST_X = 85;
constexpr LONG FIRST_Y = 100;
// Long enough for several tracking ticks (700 ms) to wait on the shell.
constexpr const char* FREEZE = "freeze 4000";

class ShellProcessTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(standin::DescribeForeignShellWindows(), "");
        ASSERT_EQ(standin.Prepare({"add \"Recycle Bin\" 20 10 95 80", "add marrowtune 20 100 95 170"}), "ok");
        program = std::make_unique<ProgramProcess>();
        ASSERT_TRUE(program->Started());
        bubble = program->WaitForBubble();
        ASSERT_NE(nullptr, bubble);
        ASSERT_TRUE(WaitForPlace(bubble, FIRST_X, FIRST_Y));
    }

    StandinProcess standin;
    std::unique_ptr<ProgramProcess> program;   // started once the icon is on the desktop
    HWND bubble = nullptr;
};

}  // namespace

TEST_F(ShellProcessTest, AfterTheShellStopsAnsweringForSecondsTheBubbleStillTracksAndDismisses)
{
    ASSERT_EQ(standin.Send(FREEZE), "ok");
    EXPECT_TRUE(program->Running());
    EXPECT_EQ(bubble, program->FindBubble());

    ASSERT_EQ(standin.Send("move marrowtune 300 200 375 270"), "ok");
    EXPECT_TRUE(WaitForPlace(bubble, 365, 200)) << "the bubble no longer follows the icon";

    PostClick(bubble, ON_BUTTON);
    EXPECT_EQ(0u, program->WaitForExit());
}

TEST_F(ShellProcessTest, AClickWhileTheShellHangsIsHandledOnceItAnswersAgain)
{
    ASSERT_TRUE(standin.Post(FREEZE));
    PostClick(bubble, ON_BUTTON);
    EXPECT_EQ(standin.ReadLine(), "ok");
    EXPECT_EQ(0u, program->WaitForExit());
}

TEST_F(ShellProcessTest, TheShellsWindowsGoingAwayEndTheProgramWithZero)
{
    ASSERT_EQ(standin.Send("destroy"), "ok");
    EXPECT_EQ(0u, program->WaitForExit());
}

TEST_F(ShellProcessTest, TheShellDyingWhileItHangsEndsTheProgramWithZero)
{
    ASSERT_TRUE(standin.Post(FREEZE));
    // Let at least one tracking tick start waiting on the hung shell.
    Sleep(1500);
    standin.Handle().Kill();
    EXPECT_EQ(0u, program->WaitForExit());
}
