// Which window FindDesktopListView takes for the desktop's list view, over
// trees of bare stand-in windows built for each case.
#include <gtest/gtest.h>

#include <vector>

#include "locator/locator.h"
#include "kit/standin_desktop.h"

using standin::LIST_VIEW_TITLE;

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
        for (const HWND root : roots) DestroyWindow(root);
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
        const HWND defView = Child(TopLevel(topClass, topTitle), standin::DEFVIEW_CLASS, UNTITLED);
        return Child(defView, standin::LIST_VIEW_CLASS, listTitle);
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
    ShellTree(standin::WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);
    const HWND progmanList = ShellTree(standin::PROGMAN_CLASS, "Program Manager", OTHER_TITLE);
    ShellTree(standin::WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);

    EXPECT_EQ(FindDesktopListView(), progmanList);
}

TEST_F(DesktopListView, ProgmanWithoutDefViewFallsBackToWorkerW)
{
    TopLevel(standin::PROGMAN_CLASS, UNTITLED);
    TopLevel(standin::WORKERW_CLASS, UNTITLED);
    const HWND workerList = ShellTree(standin::WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);
    TopLevel(standin::WORKERW_CLASS, UNTITLED);

    EXPECT_EQ(FindDesktopListView(), workerList);
}

TEST_F(DesktopListView, ProgmanDefViewWithoutListViewFallsBackToWorkerW)
{
    Child(TopLevel(standin::PROGMAN_CLASS, UNTITLED), standin::DEFVIEW_CLASS, UNTITLED);
    const HWND workerList = ShellTree(standin::WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);

    EXPECT_EQ(FindDesktopListView(), workerList);
}

TEST_F(DesktopListView, WorkerWListViewMustBeTitledFolderView)
{
    const HWND worker = TopLevel(standin::WORKERW_CLASS, UNTITLED);
    const HWND defView = Child(worker, standin::DEFVIEW_CLASS, UNTITLED);
    Child(defView, standin::LIST_VIEW_CLASS, OTHER_TITLE);
    EXPECT_EQ(FindDesktopListView(), nullptr);

    const HWND folderView = Child(defView, standin::LIST_VIEW_CLASS, LIST_VIEW_TITLE);
    Child(defView, standin::LIST_VIEW_CLASS, OTHER_TITLE);
    EXPECT_EQ(FindDesktopListView(), folderView);
}

// Also when the titled one comes right after an untitled WorkerW without a DefView.
TEST_F(DesktopListView, TitledWorkerWIsNeverConsidered)
{
    ShellTree(standin::WORKERW_CLASS, "Some program", LIST_VIEW_TITLE);
    EXPECT_EQ(FindDesktopListView(), nullptr);

    const HWND workerList = ShellTree(standin::WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);
    ShellTree(standin::WORKERW_CLASS, "Another program", LIST_VIEW_TITLE);
    const HWND titled = roots.back();
    const HWND empty = TopLevel(standin::WORKERW_CLASS, UNTITLED);
    for (const HWND window : {titled, empty}) {
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ASSERT_EQ(FindWindowExA(nullptr, empty, standin::WORKERW_CLASS, nullptr), titled);
    EXPECT_EQ(FindDesktopListView(), workerList);
}

// The search ends at the first untitled WorkerW that has a DefView, even when
// that DefView has no "FolderView" and a later WorkerW would have one.
TEST_F(DesktopListView, FirstWorkerWWithDefViewEndsTheSearch)
{
    ShellTree(standin::WORKERW_CLASS, UNTITLED, LIST_VIEW_TITLE);
    const HWND emptyShell = TopLevel(standin::WORKERW_CLASS, UNTITLED);
    Child(emptyShell, standin::DEFVIEW_CLASS, UNTITLED);
    SetWindowPos(emptyShell, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(FindWindowExA(nullptr, nullptr, standin::WORKERW_CLASS, UNTITLED), emptyShell);

    EXPECT_EQ(FindDesktopListView(), nullptr);
}
