// The locator in this process against the stand-in desktop running as a
// process of its own (desktop-standin.exe), as the product meets the shell.
#include <gtest/gtest.h>

#include <string>

#include "locator/locator.h"
#include "tests/locator/locator_test_support.h"
#include "kit/standin_desktop.h"
#include "kit/process_support.h"

using processes::StandinProcess;

namespace {

constexpr const char* TARGET = "marrowtune";

// Kept from one lookup to the next, as the bubble keeps it.
DesktopListObject kept;

bool Locate(const std::string& name, IconRect& rect)
{
    rect = IconRect{};
    return LocateDesktopIcon(name, rect, kept);
}

}  // namespace

// The commands the end-to-end tests use change what the locator sees, in
// either layout of the shell's windows.
class LocatorCrossProcess : public testing::TestWithParam<const char*> {};

TEST_P(LocatorCrossProcess, FollowsTheDesktopAsItChanges)
{
    ASSERT_EQ(standin::DescribeForeignShellWindows(), "");
    StandinProcess standin(GetParam());
    ASSERT_EQ(standin.Prepare({"add \"Recycle Bin\" 20 10 95 80", "add marrowtune 20 100 95 170"}), "ok");
    IconRect rect{};
    EXPECT_TRUE(Locate(TARGET, rect));
    EXPECT_EQ(rect, (IconRect{20, 100, 95, 170}));

    ASSERT_EQ(standin.Send("move marrowtune 300 200 375 270"), "ok");
    EXPECT_TRUE(Locate(TARGET, rect));
    EXPECT_EQ(rect, (IconRect{300, 200, 375, 270}));
    EXPECT_TRUE(Locate("Recycle Bin", rect));
    EXPECT_EQ(rect, (IconRect{20, 10, 95, 80}));

    ASSERT_EQ(standin.Send("hide"), "ok");
    EXPECT_FALSE(Locate(TARGET, rect));
    ASSERT_EQ(standin.Send("show"), "ok");
    EXPECT_TRUE(Locate(TARGET, rect));

    // A shell restart: new windows, the items served again.
    ASSERT_EQ(standin.Send("destroy"), "ok");
    EXPECT_FALSE(Locate("Recycle Bin", rect));
    ASSERT_EQ(standin.Send("recreate"), "ok");
    EXPECT_TRUE(Locate(TARGET, rect));
    EXPECT_EQ(rect, (IconRect{300, 200, 375, 270}));

    ASSERT_EQ(standin.Send("rename marrowtune Marrowtune"), "ok");
    EXPECT_FALSE(Locate(TARGET, rect));
    ASSERT_EQ(standin.Send("rename Marrowtune marrowtune"), "ok");
    ASSERT_EQ(standin.Send("remove marrowtune"), "ok");
    EXPECT_FALSE(Locate(TARGET, rect));
    ReleaseDesktopListObject(kept);

    EXPECT_EQ(standin.Send("quit"), "ok");
    EXPECT_EQ(0u, standin.Handle().WaitForExit()) << "the stand-in ends on quit";
}

INSTANTIATE_TEST_SUITE_P(Layouts, LocatorCrossProcess, testing::Values("--progman", "--workerw"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param + 2);
                         });
