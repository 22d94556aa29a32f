// Which window FindDesktopListView takes for the desktop's list view, over
// trees of bare stand-in windows built for each case.
#include <gtest/gtest.h>

#include <vector>

#include "locator/locator.h"
#include "tests/standin/standin_desktop.h"

using standin::DEFVIEW_CLASS;
using standin::LIST_VIEW_CLASS;
using standin::LIST_VIEW_TITLE;
using standin::PROGMAN_CLASS;
using standin::WORKERW_CLASS;

namespace {

constexpr const char* UNTITLED = "";
constexpr const char* OTHER_TITLE = "Other";

class DesktopListView : public testing::Test {
protected:
    void SetUp() override
    {
        // Shell windows of another process would take part in every lookup.
        ASSERT_EQ(standin::DescribeForeignShellWindows(), "");
    }

    void TearDown() override
    {
        for (HWND root : roots) {
            DestroyWindow(root);
        }
    }

    HWND TopLevel(const char* className, const char* title)
    {
        const HWND window = standin::CreateShellWindow(className, title, nullptr);
        roots.push_back(window);
        return window;
    }

    static HWND Child(HWND parent, const char* className, const char* title)
    {
        return standin::CreateShellWindow(className, title, parent);
    }

    // A top-level window holding a DefView that holds a list view titled
    // `listTitle`; returns the list view.
    HWND ShellTree(const char* topClass, const char* topTitle, const char* listTitle)
    {
        const HWND defView = Child(TopLevel(topClass, topTitle), DEFVIEW_CLASS, UNTITLED);
        return Child(defView, LIST_VIEW_CLASS, listTitle);
    }

    std::vector<HWND> roots;
};

}  // namespace

TEST_F(DesktopListView, NoShellWindowsMeansNone)
{
    EXPECT_EQ(FindDesktopListView(), nullptr);
}

// The Progman chain takes its list view whatever its title, and the WorkerW
// windows are not looked at.
TEST_F(DesktopListView, ProgmanChainIsPreferredOverWorkerW)
{
    ShellTree(WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);
    const HWND progmanList = ShellTree(PROGMAN_CLASS, "Program Manager", OTHER_TITLE);
    ShellTree(WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);

    EXPECT_EQ(FindDesktopListView(), progmanList);
}

TEST_F(DesktopListView, ProgmanWithoutDefViewFallsBackToWorkerW)
{
    TopLevel(PROGMAN_CLASS, UNTITLED);
    TopLevel(WORKERW_CLASS, UNTITLED);
    const HWND workerList = ShellTree(WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);
    TopLevel(WORKERW_CLASS, UNTITLED);

    EXPECT_EQ(FindDesktopListView(), workerList);
}

TEST_F(DesktopListView, ProgmanDefViewWithoutListViewFallsBackToWorkerW)
{
    Child(TopLevel(PROGMAN_CLASS, UNTITLED), DEFVIEW_CLASS, UNTITLED);
    const HWND workerList = ShellTree(WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);

    EXPECT_EQ(FindDesktopListView(), workerList);
}

TEST_F(DesktopListView, WorkerWListViewMustBeTitledFolderView)
{
    const HWND worker = TopLevel(WORKERW_CLASS, UNTITLED);
    const HWND defView = Child(worker, DEFVIEW_CLASS, UNTITLED);
    Child(defView, LIST_VIEW_CLASS, OTHER_TITLE);
    EXPECT_EQ(FindDesktopListView(), nullptr);

    const HWND folderView = Child(defView, LIST_VIEW_CLASS, LIST_VIEW_TITLE);
    Child(defView, LIST_VIEW_CLASS, OTHER_TITLE);
    EXPECT_EQ(FindDesktopListView(), folderView);
}

TEST_F(DesktopListView, TitledWorkerWIsNeverConsidered)
{
    ShellTree(WORKERW_CLASS, "Some program", LIST_VIEW_TITLE);
    EXPECT_EQ(FindDesktopListView(), nullptr);

    const HWND workerList = ShellTree(WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);
    ShellTree(WORKERW_CLASS, "Another program", LIST_VIEW_TITLE);
    EXPECT_EQ(FindDesktopListView(), workerList);
}

// The search ends at the first untitled WorkerW that has a DefView, even when
// that DefView has no "FolderView" and a later WorkerW would have one.
TEST_F(DesktopListView, FirstWorkerWWithDefViewEndsTheSearch)
{
    ShellTree(WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);
    const HWND emptyShell = TopLevel(WORKERW_CLASS, UNTITLED);
    Child(emptyShell, DEFVIEW_CLASS, UNTITLED);
    SetWindowPos(emptyShell, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(FindWindowExA(nullptr, nullptr, WORKERW_CLASS, UNTITLED), emptyShell);

    EXPECT_EQ(FindDesktopListView(), nullptr);
}
