// LocateDesktopIcon against an in-process stand-in desktop: which item
// matches, what rectangle comes back, and that every accessible object the
// walk obtains is released again, whatever the outcome.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "locator/locator.h"
#include "tests/locator/locator_test_support.h"
#include "kit/standin_desktop.h"

using standin::Desktop;
using standin::ItemFault;
using standin::Layout;
using standin::MakeItem;

namespace {

constexpr const char* TARGET = "marrowtune";
constexpr RECT TARGET_BOUNDS{20, 100, 95, 170};
constexpr IconRect TARGET_RECT{20, 100, 95, 170};
constexpr RECT OTHER_BOUNDS{120, 100, 195, 170};
constexpr RECT THIRD_BOUNDS{220, 100, 295, 170};
// What the caller's rect holds before the call; a false result must leave it.
constexpr IconRect UNTOUCHED{-7, -7, -7, -7};
constexpr IconRect ZEROS{0, 0, 0, 0};

class LocateDesktopIconTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Shell windows of another process would take part in every lookup.
        ASSERT_EQ(standin::DescribeForeignShellWindows(), "");
        desktop = std::make_unique<Desktop>(Layout::Progman);
    }

    void TearDown() override
    {
        if (desktop) {
            EXPECT_EQ(desktop->OutstandingReferences(), 0);
        }
    }

    size_t AddItem(const std::optional<std::string>& name, const RECT& bounds, ItemFault fault = ItemFault::None)
    {
        standin::Item item = MakeItem(name, bounds);
        item.fault = fault;
        return desktop->Add(item);
    }

    // One lookup of the wanted name: its rectangle, or nothing when it was
    // not found, in which case the caller's rectangle must be left alone.
    static std::optional<IconRect> Lookup()
    {
        IconRect rect = UNTOUCHED;
        if (LocateDesktopIcon(TARGET, rect)) return rect;
        EXPECT_EQ(rect, UNTOUCHED) << "a lookup that finds nothing leaves the rectangle";
        return std::nullopt;
    }

    std::unique_ptr<Desktop> desktop;
};

}  // namespace

class LocateDesktopIconInLayout
    : public LocateDesktopIconTest,
      public testing::WithParamInterface<std::tuple<Layout, bool>> {};

TEST_P(LocateDesktopIconInLayout, FindsIconAndReportsItsRectangle)
{
    desktop = std::make_unique<Desktop>(std::get<0>(GetParam()));
    desktop->SetOfferEnumerator(std::get<1>(GetParam()));
    AddItem("Recycle Bin", OTHER_BOUNDS);
    AddItem(TARGET, TARGET_BOUNDS);
    AddItem("Documents", THIRD_BOUNDS);

    EXPECT_EQ(Lookup(), TARGET_RECT);
}

INSTANTIATE_TEST_SUITE_P(
    LayoutsAndEnumeration, LocateDesktopIconInLayout,
    testing::Combine(testing::Values(Layout::Progman, Layout::WorkerW), testing::Bool()),
    [](const testing::TestParamInfo<std::tuple<Layout, bool>>& info) {
        return std::string(std::get<0>(info.param) == Layout::Progman ? "Progman" : "WorkerW")
             + (std::get<1>(info.param) ? "WithEnumerator" : "WithChildIds");
    });

// Each desktop of the table gives the rectangle of the first item that
// matches, or nothing; an exception anywhere in the walk ends it with "not
// found" and leaves the call. Every object the walk obtains is released.
TEST_F(LocateDesktopIconTest, TheFirstItemThatAnswersAsTheIconWins)
{
    struct Entry {
        std::optional<std::string> name;
        RECT bounds;
        ItemFault fault = ItemFault::None;
        bool asDispatch = false;
    };
    struct Case {
        const char* what;
        std::vector<Entry> items;
        std::optional<IconRect> expected;
        bool enumerator = false;
    };
    // "桌面气泡图标" and "马罗曲调快捷方式": under a code page where these take
    // more bytes than the old two-per-unit buffer, they must not end the walk.
    const std::string cjkName = "\xe6\xa1\x8c\xe9\x9d\xa2\xe6\xb0\x94\xe6\xb3\xa1\xe5\x9b\xbe\xe6\xa0\x87";
    const std::string longerCjkName =
        "\xe9\xa9\xac\xe7\xbd\x97\xe6\x9b\xb2\xe8\xb0\x83\xe5\xbf\xab\xe6\x8d\xb7\xe6\x96\xb9\xe5\xbc\x8f";
    const Entry icon{TARGET, TARGET_BOUNDS};
    const Entry ownObject{TARGET, OTHER_BOUNDS, ItemFault::None, true};
    const Case cases[] = {
        {"the name must match exactly",
         {{"Marrowtune", OTHER_BOUNDS}, {"MARROWTUNE", OTHER_BOUNDS}, {"marrowtune ", OTHER_BOUNDS},
          {" marrowtune", OTHER_BOUNDS}, {"marrowtune2", OTHER_BOUNDS}, {"marrowtun", OTHER_BOUNDS},
          {"", OTHER_BOUNDS}, icon},
         TARGET_RECT},
        {"a duplicate name yields the lower child index",
         {{"Documents", THIRD_BOUNDS}, icon, {TARGET, OTHER_BOUNDS}}, TARGET_RECT},
        {"unnamed and unnameable items are skipped",
         {{std::nullopt, THIRD_BOUNDS}, {TARGET, OTHER_BOUNDS, ItemFault::NameFails}, icon}, TARGET_RECT},
        {"a name answered with S_FALSE still matches", {{TARGET, TARGET_BOUNDS, ItemFault::NameIsFalse}}, TARGET_RECT},
        {"an object of its own from get_accChild is never examined", {ownObject, icon}, TARGET_RECT},
        {"an object of its own from IEnumVARIANT is never examined", {ownObject, icon}, TARGET_RECT, true},
        {"an item that cannot be fetched is skipped", {{TARGET, OTHER_BOUNDS, ItemFault::ChildFails}, icon},
         TARGET_RECT, true},
        {"non-ASCII names do not end the walk", {{cjkName, OTHER_BOUNDS}, {longerCjkName, THIRD_BOUNDS}, icon},
         TARGET_RECT},
        {"a failed accLocation gives all zeros", {{TARGET, TARGET_BOUNDS, ItemFault::LocationFails}}, ZEROS},
        {"get_accName throws", {{TARGET, OTHER_BOUNDS, ItemFault::NameThrows}, icon}, std::nullopt},
        {"accLocation throws", {{TARGET, OTHER_BOUNDS, ItemFault::LocationThrows}, icon}, std::nullopt},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        desktop = std::make_unique<Desktop>(Layout::Progman);
        desktop->SetOfferEnumerator(test.enumerator);
        for (const Entry& entry : test.items) {
            desktop->At(AddItem(entry.name, entry.bounds, entry.fault)).asDispatch = entry.asDispatch;
        }
        std::optional<IconRect> found;
        EXPECT_NO_THROW(found = Lookup());
        EXPECT_EQ(found, test.expected);
        EXPECT_EQ(desktop->OutstandingReferences(), 0);
    }
}

TEST_F(LocateDesktopIconTest, RectangleIsReturnedAsReported)
{
    const size_t target = AddItem(TARGET, TARGET_BOUNDS);
    const RECT cases[] = {
        {-50, -40, 25, 30},          // above and left of the screen
        {790, 590, 865, 660},        // across the bottom-right corner (800 x 600)
        {5000, 7000, 5075, 7070},    // far off the screen
        {-9000, 40, -8925, 110},
    };
    for (const RECT& bounds : cases) {
        const standin::Item moved = MakeItem(std::string(TARGET), bounds);
        desktop->At(target) = moved;
        EXPECT_EQ(Lookup(), (IconRect{bounds.left, bounds.top, bounds.right, bounds.bottom}));
    }
}

// left + width beyond the 32-bit range is held at its end, not wrapped.
TEST_F(LocateDesktopIconTest, HugeExtentsDoNotWrapAround)
{
    constexpr LONG BIG = 2000000000;
    constexpr LONG MOST = std::numeric_limits<LONG>::max();
    standin::Item item = MakeItem(std::string(TARGET), RECT{});
    item.left = BIG;
    item.top = -BIG;
    item.width = BIG;
    item.height = BIG;
    desktop->Add(item);

    EXPECT_EQ(Lookup(), (IconRect{BIG, -BIG, MOST, 0}));
}

// A desktop without a visible list view, without windows, or whose list
// cannot count its children yields nothing; once whole again, the icon.
TEST_F(LocateDesktopIconTest, ABrokenDesktopMeansNotFoundUntilItIsWhole)
{
    using Breakage = void (*)(Desktop&, bool broken);
    const std::pair<const char*, Breakage> breakages[] = {
        {"hidden list view", [](Desktop& shell, bool broken) { shell.SetListViewVisible(!broken); }},
        {"no desktop windows",
         [](Desktop& shell, bool broken) { broken ? shell.DestroyWindows() : shell.CreateWindows(); }},
        {"failed child count", [](Desktop& shell, bool broken) { shell.SetChildCountFails(broken); }},
    };
    AddItem(TARGET, TARGET_BOUNDS);
    for (const auto& [what, breakOrMend] : breakages) {
        SCOPED_TRACE(what);
        breakOrMend(*desktop, true);
        EXPECT_FALSE(Lookup());
        breakOrMend(*desktop, false);
        EXPECT_EQ(Lookup(), TARGET_RECT);
    }
}

// The kept reference may go while the walk waits on the shell (COM's wait
// lets the bubble's end in, which releases it): the walk holds its own.
TEST_F(LocateDesktopIconTest, TheWalkHoldsItsOwnReferenceWhileTheKeptOneGoes)
{
    AddItem("Recycle Bin", OTHER_BOUNDS);
    AddItem(TARGET, TARGET_BOUNDS);
    DesktopListObject kept;
    desktop->SetBeforeNameHook([&] { ReleaseDesktopListObject(kept); });
    IconRect rect = UNTOUCHED;

    EXPECT_TRUE(LocateDesktopIcon(TARGET, rect, kept));
    EXPECT_EQ(rect, TARGET_RECT);
    EXPECT_EQ(desktop->CallsWhileUnreferenced(), 0);
}

// TearDown checks after every case, whatever its outcome, that the lookup
// gave back every reference it took; that check means something only if the
// stand-in really counts what it hands out.
TEST_F(LocateDesktopIconTest, TheStandInCountsTheReferencesItHandsOut)
{
    void* object = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(desktop->ListView(), static_cast<DWORD>(OBJID_CLIENT),
                                         __uuidof(IAccessible), &object), S_OK);
    EXPECT_GT(desktop->OutstandingReferences(), 0);
    static_cast<IAccessible*>(object)->Release();
}
