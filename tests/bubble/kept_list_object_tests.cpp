// The bubble keeps the desktop list view's accessible object from one walk to
// the next. A new shell's list view must be walked with an object of its own,
// a list view that has gone or a call on the kept object that fails must let
// it go, and the bubble's end must release it. The stand-in counts the
// references it handed out.
#include "kit/bubble_fixture.h"

#include <memory>
#include <string>

class KeptListObjectTest : public BubbleTest {};

TEST_F(KeptListObjectTest, OneObjectServesEveryWalkOfTheSameListView)
{
    StartWithIcon(TYPICAL_ICON);
    for (int tick = 0; tick < 3; ++tick) Tick(TIMER_TRACK);

    EXPECT_EQ(4, DesktopWalks());
    EXPECT_EQ(1, desktop->ObjectRequests()) << "each walk asked the list view for its object again";
}

TEST_F(KeptListObjectTest, ANewShellsListViewIsNotWalkedWithTheOldObject)
{
    StartWithIcon(TYPICAL_ICON);
    ASSERT_GT(desktop->OutstandingReferences(), 0) << "the object is kept after the first walk";

    // The old shell's windows go; its object would still answer, with the
    // icon where it was. The new shell shows the icon elsewhere.
    const std::unique_ptr<standin::Desktop> oldShell = std::move(desktop);
    oldShell->DestroyWindows();
    desktop = std::make_unique<standin::Desktop>();
    iconIndex = desktop->Add(standin::MakeItem(std::string("marrowtune"), RECT{220, 260, 295, 330}));
    Tick(TIMER_TRACK);

    EXPECT_EQ(XY(285, 260), PlacedAt());
    EXPECT_EQ(0, oldShell->OutstandingReferences()) << "the old list view's object is released";
    EXPECT_GT(desktop->OutstandingReferences(), 0) << "the new one is kept";
}

TEST_F(KeptListObjectTest, TheListViewGoingLetsTheObjectGoAtOnce)
{
    StartWithIcon(TYPICAL_ICON);
    desktop->DestroyWindows();
    Tick(TIMER_TRACK);

    EXPECT_EQ(1, bubbleState.dismissing);
    EXPECT_EQ(0, desktop->OutstandingReferences()) << "released on that tick, not when the bubble ends";
}

TEST_F(KeptListObjectTest, AFailedCallLetsTheObjectGo)
{
    StartWithIcon(TYPICAL_ICON);
    // An item ahead of the icon whose name cannot be read: the walk passes
    // over it and still finds the icon, but lets the object go.
    standin::Item unreadable = standin::MakeItem(std::string("Recycle Bin"), RECT{20, 10, 95, 80});
    unreadable.fault = standin::ItemFault::NameFails;
    const standin::Item icon = desktop->At(iconIndex);
    desktop->At(iconIndex) = unreadable;
    iconIndex = desktop->Add(icon);
    Tick(TIMER_TRACK);
    EXPECT_EQ(0, bubbleState.dismissing);
    EXPECT_EQ(0, desktop->OutstandingReferences());

    desktop->At(0).fault = standin::ItemFault::None;
    Tick(TIMER_TRACK);
    ASSERT_GT(desktop->OutstandingReferences(), 0) << "a fresh object is kept again";
    desktop->At(iconIndex).fault = standin::ItemFault::LocationFails;
    Tick(TIMER_TRACK);
    EXPECT_EQ(0, desktop->OutstandingReferences()) << "after a failed accLocation";

    desktop->SetChildCountFails(true);
    Tick(TIMER_TRACK);
    EXPECT_EQ(1, bubbleState.dismissing);
    EXPECT_EQ(0, desktop->OutstandingReferences());
}

TEST_F(KeptListObjectTest, TheBubblesEndReleasesTheObject)
{
    StartWithIcon(TYPICAL_ICON);
    FadeInFully();
    RemoveIcon();
    Tick(TIMER_TRACK);
    ASSERT_EQ(1, bubbleState.dismissing);
    EXPECT_GT(desktop->OutstandingReferences(), 0) << "a walk without the icon keeps the object";

    EXPECT_EQ(0, FadeOutUntilQuit());
    EXPECT_EQ(0, desktop->OutstandingReferences());
}

TEST_F(KeptListObjectTest, NoIconAtCreationReleasesTheObject)
{
    desktop = std::make_unique<standin::Desktop>();
    desktop->Add(standin::MakeItem(std::string("Recycle Bin"), RECT{20, 10, 95, 80}));

    window = CreateBubbleWindowForTest();

    EXPECT_FALSE(BubbleBuilt());
    EXPECT_TRUE(TakeQuitMessage());
    EXPECT_EQ(0, desktop->OutstandingReferences());
}
