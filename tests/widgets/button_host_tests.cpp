// The button host on real windows: a parent window of the test's own, the
// host's subclassed "button" child, and mouse messages sent to it.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "kit/button_input.h"
#include "kit/standin_desktop.h"
#include "kit/test_pictures.h"
#include "widgets/widgets.h"

using namespace testpictures;

namespace {

const char PARENT_CLASS[] = "MarrowtuneTestButtonParent";
constexpr int PARENT_WIDTH = 207;
constexpr int PARENT_HEIGHT = 75;
constexpr RECT DISMISS_RECT = DISMISS_RECT_RIGHT_SIDE;
constexpr POINT INSIDE{130, 40};
constexpr POINT ALSO_INSIDE{190, 58};  // the last pixel inside
constexpr POINT OUTSIDE{191, 40};      // right edges lie outside
// High bits set, to show that the whole identifier travels as wParam.
constexpr UINT DISMISS_COMMAND = 0x00012000;
constexpr RECT NO_UPDATE{0, 0, 0, 0};

// The window's pending update rectangle, NO_UPDATE when there is none.
RECT PendingUpdate(HWND window)
{
    RECT update{};
    if (!GetUpdateRect(window, &update, FALSE)) update = NO_UPDATE;
    return update;
}

// What the parent window saw.
struct ParentLog {
    struct Command {
        WPARAM wParam;
        LPARAM lParam;
        int buttonState;  // of the watched button while the command arrived
        RECT pendingUpdate;  // the parent's update region at that moment
    };
    std::vector<Command> commands;
    int paints = 0;
    std::vector<WPARAM> contextMenus;
    const ImageButton* watched = nullptr;
};
ParentLog parentLog;

LRESULT CALLBACK TestParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        parentLog.commands.push_back(
            {wParam, lParam, parentLog.watched ? parentLog.watched->state : 0, PendingUpdate(hwnd)});
        return 0;
    case WM_PAINT: {
        ++parentLog.paints;
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_CONTEXTMENU:
        parentLog.contextMenus.push_back(wParam);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

// A stand-in for a window procedure that someone else installed: window,
// message, wParam, lParam of every call.
using RecordedCall = std::tuple<HWND, UINT, WPARAM, LPARAM>;
std::vector<RecordedCall> recordedCalls;
LRESULT recordedResult = 0;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    recordedCalls.emplace_back(hwnd, message, wParam, lParam);
    return recordedResult;
}

HWND CreateParent(int x)
{
    standin::RegisterWindowClass(PARENT_CLASS, TestParentProc);
    const HWND parent = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, PARENT_CLASS, "", WS_POPUP, x, 20,
                                        PARENT_WIDTH, PARENT_HEIGHT, nullptr, nullptr, GetModuleHandleA(nullptr),
                                        nullptr);
    ShowWindow(parent, SW_SHOWNOACTIVATE);
    UpdateWindow(parent);
    MSG pending;
    while (PeekMessageA(&pending, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&pending);
    ValidateRect(parent, nullptr);
    return parent;
}

LPARAM At(POINT point) { return MAKELPARAM(point.x, point.y); }

testing::AssertionResult SameRect(const RECT& actual, const RECT& expected)
{
    if (EqualRect(&actual, &expected)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "{" << actual.left << ", " << actual.top << ", " << actual.right << ", "
                                       << actual.bottom << "}, expected {" << expected.left << ", " << expected.top
                                       << ", " << expected.right << ", " << expected.bottom << "}";
}

}  // namespace

// The fixture carries the name of the class under test, so it lives in a
// namespace of its own; the product's class is ::ButtonHost here.
namespace host_tests {

// A parent window with a host holding the dismiss button, whose three state
// pictures are solid colours.
class ButtonHost : public testing::Test {
protected:
    void SetUp() override
    {
        parent = CreateParent(20);
        ASSERT_NE(parent, nullptr);
        ASSERT_TRUE(host.Attach(parent));
        host.targetDC = canvas.dc;
        for (int state = Normal; state <= Pressed; ++state) button.SetImage(state, pictures[state - 1].get());
        host.AddButton(0, &button);
        parentLog = ParentLog{};
        parentLog.watched = &button;
        recordedCalls.clear();
        recordedResult = 0;
        SetCursor(nullptr);
    }

    void TearDown() override
    {
        for (const HWND window : windows) DestroyWindow(window);
        if (parent) DestroyWindow(parent);
        // The product never destroys a host; the test does, so the program
        // forgets them as a fresh process would.
        HostRegistry.clear();
        previousButtonProc = nullptr;
    }

    bool Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return host.ForwardMouse(MSG{parent, message, wParam, lParam, 0, POINT{0, 0}});
    }
    bool Move(POINT point) { return Send(WM_MOUSEMOVE, 0, At(point)); }

    // The parent's pending update rectangle, then marks the parent painted.
    RECT TakeUpdate(HWND window = nullptr)
    {
        window = window ? window : parent;
        const RECT update = PendingUpdate(window);
        ValidateRect(window, nullptr);
        return update;
    }

    uint32_t SurfaceColour() const { return DibPixels(button.surface->bitmap).At(10, 10); }
    uint32_t ColourOf(int state) const { return Premultiplied(colours[state - 1]); }

    // The button is in `state`, looks it, shows its cursor (the arrow in
    // Normal, else the hand) and asked for its rectangle to be redrawn.
    void ExpectShown(int state)
    {
        const HCURSOR cursor = state == Normal ? Arrow() : Hand();
        EXPECT_EQ(button.state, state);
        EXPECT_EQ(host.cursor, cursor);
        EXPECT_EQ(GetCursor(), cursor);
        EXPECT_EQ(SurfaceColour(), ColourOf(state));
        EXPECT_TRUE(SameRect(TakeUpdate(), DISMISS_RECT));
    }

    const Rgba colours[3] = {{235, 250, 255, 255}, {175, 230, 254, 255}, {121, 176, 215, 255}};
    const OwnedPicture pictures[3] = {OwnedPicture(SolidPicture(66, 24, colours[0])),
                                      OwnedPicture(SolidPicture(66, 24, colours[1])),
                                      OwnedPicture(SolidPicture(66, 24, colours[2]))};
    Canvas canvas{PARENT_WIDTH, -PARENT_HEIGHT};
    ImageButton button{DISMISS_RECT, DISMISS_COMMAND};
    ::ButtonHost host;
    HWND parent = nullptr;
    std::vector<HWND> windows;  // further windows a test made
};

TEST_F(ButtonHost, AttachMakesARegisteredZeroSizedSubclassedButtonChild)
{
    const HWND child = host.childWindow;
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    EXPECT_EQ(lstrcmpiA(className, "button"), 0) << className;
    char title[8] = "x";
    GetWindowTextA(child, title, sizeof title);
    EXPECT_STREQ(title, "");
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(GetDlgCtrlID(child), ID_HOST_CHILD);
    RECT area{};
    GetWindowRect(child, &area);
    EXPECT_TRUE(IsRectEmpty(&area)) << "never under the pointer";
    EXPECT_EQ(GetWindowLongPtrA(child, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(ButtonHostProc));
    ASSERT_EQ(HostRegistry.count(child), 1u);
    EXPECT_EQ(HostRegistry[child], &host);
    EXPECT_NE(previousButtonProc, nullptr);
    EXPECT_NE(previousButtonProc, ButtonHostProc);
}

TEST_F(ButtonHost, AHostWhoseAttachFailedForwardsAndRedrawsNothing)
{
    const HWND gone = CreateParent(300);
    DestroyWindow(gone);
    const int paints = parentLog.paints;  // the vanished parent's own
    const size_t registered = HostRegistry.size();
    previousButtonProc = RecordingProc;
    ::ButtonHost orphan;
    EXPECT_FALSE(orphan.Attach(gone));
    EXPECT_EQ(orphan.childWindow, nullptr);
    EXPECT_EQ(HostRegistry.size(), registered);
    EXPECT_EQ(previousButtonProc, RecordingProc) << "nothing was subclassed";

    ImageButton other(DISMISS_RECT, DISMISS_COMMAND);
    orphan.AddButton(0, &other);
    for (const UINT message : {UINT(WM_SETCURSOR), UINT(WM_MOUSEMOVE), UINT(WM_LBUTTONDOWN)}) {
        EXPECT_FALSE(orphan.ForwardMouse(MSG{parent, message, 0, At(INSIDE), 0, POINT{0, 0}}));
    }
    EXPECT_EQ(other.state, Normal);
    EXPECT_TRUE(recordedCalls.empty());
    // Without a child there is no parent to redraw, and never the whole screen.
    orphan.RequestRedraw(REDRAW_INVALIDATE, &DISMISS_RECT);
    orphan.RequestRedraw(REDRAW_SEND_PAINT, nullptr);
    EXPECT_TRUE(SameRect(TakeUpdate(), NO_UPDATE));
    EXPECT_EQ(parentLog.paints, paints);
}

TEST_F(ButtonHost, ForwardMouseSendsOnlyCursorAndMouseMessages)
{
    // Watch what reaches the child by putting a recorder in its place.
    SetWindowLongPtrA(host.childWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
    const std::vector<UINT> sent = {WM_SETCURSOR,    WM_MOUSEMOVE,   WM_LBUTTONDOWN,  WM_LBUTTONUP,
                                    WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,    WM_RBUTTONDBLCLK,
                                    WM_MOUSEHOVER,   WM_MOUSELEAVE};
    const std::vector<UINT> kept = {WM_KEYDOWN,  WM_CHAR,        WM_MBUTTONDOWN, WM_MOUSEWHEEL, WM_NCMOUSELEAVE,
                                    WM_PAINT,    WM_TIMER,       WM_COMMAND,     WM_NCMOUSEMOVE, WM_NULL};
    recordedResult = 1;
    for (const UINT message : kept) EXPECT_FALSE(Send(message, 3, 4)) << "message 0x" << std::hex << message;
    EXPECT_TRUE(recordedCalls.empty()) << "nothing was sent for other messages";

    for (const UINT message : sent) {
        recordedCalls.clear();
        recordedResult = 7;
        EXPECT_TRUE(Send(message, 3, 4)) << "message 0x" << std::hex << message;
        EXPECT_EQ(recordedCalls, (std::vector<RecordedCall>{{host.childWindow, message, 3, 4}}));
        recordedResult = 0;
        EXPECT_FALSE(Send(message, 3, 4)) << "a zero answer means false";
    }
}

TEST_F(ButtonHost, HoverPressReleaseSendsTheCommandOnceAfterTheRedraw)
{
    SetCursor(Arrow());
    EXPECT_TRUE(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(parent), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), Hand()) << "before any move the host shows the hand";

    EXPECT_FALSE(Move(INSIDE));
    ExpectShown(Hover);

    SetCursor(Arrow());
    EXPECT_TRUE(Send(WM_SETCURSOR));
    EXPECT_EQ(GetCursor(), Hand()) << "the hover cursor stays on WM_SETCURSOR";

    EXPECT_TRUE(Send(WM_LBUTTONDOWN, MK_LBUTTON, At(INSIDE)));
    ExpectShown(Pressed);
    EXPECT_TRUE(parentLog.commands.empty());

    EXPECT_FALSE(Send(WM_LBUTTONUP, 0, At(INSIDE)));
    ASSERT_EQ(parentLog.commands.size(), 1u);
    const ParentLog::Command& command = parentLog.commands[0];
    EXPECT_EQ(command.wParam, WPARAM{DISMISS_COMMAND}) << "the whole identifier";
    EXPECT_EQ(command.lParam, 0) << "not the child's handle";
    EXPECT_EQ(command.buttonState, Hover) << "the button is back in Hover before the command";
    EXPECT_TRUE(SameRect(command.pendingUpdate, DISMISS_RECT)) << "the redraw was requested before the command";
    ExpectShown(Hover);

    EXPECT_FALSE(Send(WM_LBUTTONUP, 0, At(INSIDE)));
    EXPECT_EQ(parentLog.commands.size(), 1u) << "a second release sends nothing";
    EXPECT_TRUE(SameRect(TakeUpdate(), NO_UPDATE));
}

TEST_F(ButtonHost, MovesAndLeavingFromHoverOrPressedRedrawOnlyOnAChange)
{
    struct Step {
        const char* what;
        bool pressed;  // whether the button is pressed before the step
        UINT message;
        POINT point;
        int expected;  // the button's state after the step
    };
    const Step steps[] = {
        {"move inside while hovered", false, WM_MOUSEMOVE, ALSO_INSIDE, Hover},
        {"move inside while pressed", true, WM_MOUSEMOVE, ALSO_INSIDE, Pressed},
        {"move out while hovered", false, WM_MOUSEMOVE, OUTSIDE, Normal},
        {"move out while pressed", true, WM_MOUSEMOVE, OUTSIDE, Normal},
        {"leave while hovered", false, WM_MOUSELEAVE, OUTSIDE, Normal},
        {"leave while pressed", true, WM_MOUSELEAVE, OUTSIDE, Normal},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        Move(INSIDE);
        if (step.pressed) Send(WM_LBUTTONDOWN, MK_LBUTTON, At(INSIDE));
        TakeUpdate();
        SetCursor(nullptr);
        EXPECT_FALSE(Send(step.message, 0, At(step.point)));
        if (step.expected == Normal) {
            ExpectShown(Normal);
            EXPECT_FALSE(Send(WM_LBUTTONUP, 0, At(step.point)));
            EXPECT_EQ(button.state, Normal) << "a release after leaving the button";
            EXPECT_TRUE(SameRect(TakeUpdate(), NO_UPDATE));
        } else {
            EXPECT_EQ(button.state, step.expected);
            EXPECT_EQ(host.cursor, Hand());
            EXPECT_TRUE(SameRect(TakeUpdate(), NO_UPDATE)) << "no redraw without a change";
            Send(WM_MOUSELEAVE);
        }
    }
    EXPECT_TRUE(parentLog.commands.empty());

    // A Normal button outside is left alone.
    EXPECT_FALSE(Send(WM_MOUSELEAVE));
    EXPECT_FALSE(Move(POINT{5, 5}));
    EXPECT_EQ(host.cursor, Arrow());
    EXPECT_TRUE(SameRect(TakeUpdate(), NO_UPDATE));
    Send(WM_SETCURSOR);
    EXPECT_EQ(GetCursor(), Arrow());
}

TEST_F(ButtonHost, PressWithoutAHoveredButtonReturnsZeroAndChangesNothing)
{
    SetCursor(Arrow());
    const HCURSOR before = host.cursor;
    // The press is not hit-tested: a Normal button under the point stays Normal.
    EXPECT_FALSE(Send(WM_LBUTTONDOWN, MK_LBUTTON, At(INSIDE)));
    EXPECT_FALSE(Send(WM_LBUTTONUP, 0, At(INSIDE)));
    EXPECT_EQ(button.state, Normal);
    EXPECT_EQ(host.cursor, before);
    EXPECT_EQ(GetCursor(), Arrow());
    EXPECT_TRUE(SameRect(TakeUpdate(), NO_UPDATE));
    EXPECT_TRUE(parentLog.commands.empty());
}

TEST_F(ButtonHost, HoverAndRightButtonMessagesGetDefaultProcessing)
{
    previousButtonProc = RecordingProc;
    EXPECT_FALSE(Send(WM_MOUSEHOVER, 0, At(INSIDE)));
    EXPECT_EQ(button.state, Normal) << "WM_MOUSEHOVER does not reach the button";
    Move(INSIDE);
    EXPECT_FALSE(Send(WM_RBUTTONDOWN, MK_RBUTTON, At(INSIDE)));
    EXPECT_FALSE(Send(WM_RBUTTONUP, 0, At(INSIDE)));
    EXPECT_EQ(button.state, Hover);
    EXPECT_TRUE(recordedCalls.empty()) << "a registered child never reaches the previous procedure";
    EXPECT_TRUE(parentLog.commands.empty());
    // Default processing turns the right button's release into WM_CONTEXTMENU,
    // which a child passes on to its parent.
    ASSERT_EQ(parentLog.contextMenus.size(), 1u);
    EXPECT_EQ(parentLog.contextMenus[0], reinterpret_cast<WPARAM>(host.childWindow));
}

TEST_F(ButtonHost, UnregisteredWindowGoesToThePreviousProcedure)
{
    const HWND stranger = CreateWindowExA(0, "button", "", WS_CHILD, 0, 0, 0, 0, parent, nullptr,
                                          GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(stranger, nullptr);
    windows.push_back(stranger);
    const WNDPROC original = previousButtonProc;
    SetWindowLongPtrA(stranger, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonHostProc));
    previousButtonProc = RecordingProc;

    recordedResult = 42;
    EXPECT_EQ(SendMessageA(stranger, WM_MOUSEMOVE, 5, At(INSIDE)), 42);
    EXPECT_EQ(recordedCalls, (std::vector<RecordedCall>{{stranger, WM_MOUSEMOVE, 5, At(INSIDE)}}));
    EXPECT_EQ(button.state, Normal) << "no host's button is touched";

    previousButtonProc = nullptr;
    EXPECT_EQ(SendMessageA(stranger, WM_SETCURSOR, 0, 0), 0) << "no previous procedure: 0";
    EXPECT_EQ(recordedCalls.size(), 1u);
    previousButtonProc = original;
}

TEST_F(ButtonHost, SecondHostReplacesThePreviousProcedureAndBothKeepTheirChildren)
{
    const WNDPROC first = previousButtonProc;
    previousButtonProc = RecordingProc;
    const HWND otherParent = CreateParent(300);
    windows.push_back(otherParent);
    ImageButton otherButton(RECT{0, 0, 20, 20}, 3000);
    ::ButtonHost other;
    ASSERT_TRUE(other.Attach(otherParent));
    other.AddButton(0, &otherButton);
    EXPECT_NE(previousButtonProc, RecordingProc) << "the second Attach overwrote it";
    EXPECT_EQ(previousButtonProc, first) << "with the button class's procedure";
    EXPECT_EQ(HostRegistry[host.childWindow], &host);
    EXPECT_EQ(HostRegistry[other.childWindow], &other);

    // The same point lies in both buttons' rectangles; each child serves its own host.
    EXPECT_FALSE(other.ForwardMouse(MSG{otherParent, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10), 0, POINT{0, 0}}));
    EXPECT_EQ(otherButton.state, Hover);
    EXPECT_EQ(button.state, Normal);
    EXPECT_TRUE(SameRect(TakeUpdate(otherParent), RECT{0, 0, 20, 20}));
    EXPECT_TRUE(SameRect(TakeUpdate(), NO_UPDATE));

    Move(INSIDE);
    Send(WM_LBUTTONDOWN);
    Send(WM_LBUTTONUP);
    other.ForwardMouse(MSG{otherParent, WM_LBUTTONDOWN, 0, 0, 0, POINT{0, 0}});
    other.ForwardMouse(MSG{otherParent, WM_LBUTTONUP, 0, 0, 0, POINT{0, 0}});
    ASSERT_EQ(parentLog.commands.size(), 2u);
    EXPECT_EQ(parentLog.commands[0].wParam, WPARAM{DISMISS_COMMAND});
    EXPECT_EQ(parentLog.commands[1].wParam, WPARAM{3000});
    EXPECT_TRUE(recordedCalls.empty());
}

TEST_F(ButtonHost, WalksGoFromTheLastButtonToTheFirst)
{
    // A second button, added last, overlapping the dismiss button.
    ImageButton top(RECT{120, 30, 150, 50}, 3000);
    host.AddButton(0, &top);
    Move(INSIDE);
    EXPECT_EQ(button.state, Hover);
    EXPECT_EQ(top.state, Hover);
    EXPECT_TRUE(SameRect(TakeUpdate(), RECT{120, 30, 191, 59})) << "one redraw of the union";

    EXPECT_TRUE(Send(WM_LBUTTONDOWN));
    EXPECT_EQ(top.state, Pressed) << "the last button is found first";
    EXPECT_EQ(button.state, Hover);
    EXPECT_TRUE(SameRect(TakeUpdate(), RECT{120, 30, 150, 50}));

    Send(WM_LBUTTONUP);
    ASSERT_EQ(parentLog.commands.size(), 1u);
    EXPECT_EQ(parentLog.commands[0].wParam, 3000u);
    EXPECT_EQ(top.state, Hover);

    Send(WM_MOUSELEAVE);
    EXPECT_EQ(top.state, Normal) << "one button per WM_MOUSELEAVE, the last first";
    EXPECT_EQ(button.state, Hover);
    Send(WM_MOUSELEAVE);
    EXPECT_EQ(button.state, Normal);
}

TEST_F(ButtonHost, OneMoveRedrawsTheUnionOfEveryChange)
{
    ImageButton left(RECT{10, 10, 30, 30}, 3000);
    host.AddButton(1, &left);
    Move(POINT{15, 15});
    EXPECT_EQ(left.state, Hover);
    TakeUpdate();

    // Entering the dismiss button leaves the other one in the same move.
    Move(INSIDE);
    EXPECT_EQ(left.state, Normal);
    EXPECT_EQ(button.state, Hover);
    EXPECT_TRUE(SameRect(TakeUpdate(), RECT{10, 10, 191, 59}));
}

TEST_F(ButtonHost, RequestRedrawInvalidatesOrSendsPaint)
{
    const RECT area{3, 4, 50, 60};
    host.RequestRedraw(REDRAW_INVALIDATE, &area);
    EXPECT_TRUE(SameRect(TakeUpdate(), area));
    EXPECT_EQ(parentLog.paints, 0) << "invalidating paints later, not now";

    host.RequestRedraw(REDRAW_SEND_PAINT, &area);
    EXPECT_EQ(parentLog.paints, 1) << "WM_PAINT arrives at once";
    EXPECT_TRUE(SameRect(TakeUpdate(), NO_UPDATE));

    for (const int mode : {0, 3}) host.RequestRedraw(mode, &area);
    EXPECT_EQ(parentLog.paints, 1);
    EXPECT_TRUE(SameRect(TakeUpdate(), NO_UPDATE));
}

TEST_F(ButtonHost, PaintButtonsShowsEachStateAtTheButtonsRect)
{
    constexpr uint32_t BACKGROUND = Bgra(0, 0, 0, 0);
    for (const int state : {Normal, Hover, Pressed}) {
        if (state == Hover) Move(INSIDE);
        if (state == Pressed) Send(WM_LBUTTONDOWN);
        host.PaintButtons(canvas.dc);
        EXPECT_EQ(CheckArea(canvas.Pixels(), DISMISS_RECT, ColourOf(state), BACKGROUND), "") << "state " << state;
    }
}

}  // namespace host_tests
