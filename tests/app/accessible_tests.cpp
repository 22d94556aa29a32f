// The bubble as a screen reader in another process meets it: the alert when
// it is shown, its role and message, its one button with its place, and the
// button pressed through its default action, which ends the program as a
// click does.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <string>

#include "kit/bubble_test_window.h"
#include "kit/process_support.h"
#include "kit/standin_desktop.h"

using processes::ProgramProcess;

namespace {

constexpr RECT ICON = {20, 100, 95, 170};   // the bubble at (85, 100), right side
constexpr LONG BUTTON_CHILD = 1;

// The alerts raised by the program, caught out of context as a screen reader
// catches them.
HWND alertedWindow = nullptr;
int alerts = 0;
void CALLBACK CatchAlert(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (object == OBJID_CLIENT && child == CHILDID_SELF) {
        alertedWindow = window;
        ++alerts;
    }
}

VARIANT Child(LONG id)
{
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

std::wstring NameOf(IAccessible* object, LONG child)
{
    BSTR name = nullptr;
    if (FAILED(object->get_accName(Child(child), &name)) || name == nullptr) return L"(none)";
    const std::wstring text(name);
    SysFreeString(name);
    return text;
}

LONG RoleOf(IAccessible* object, LONG child)
{
    VARIANT role;
    VariantInit(&role);
    if (FAILED(object->get_accRole(Child(child), &role)) || role.vt != VT_I4) return -1;
    return role.lVal;
}

}  // namespace

TEST(AccessibleBubble, AScreenReaderHearsTheAlertReadsTheBubbleAndPressesItsButton)
{
    standin::Desktop desktop;
    desktop.Add(standin::MakeItem(std::string("marrowtune"), ICON));
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, CatchAlert, 0, 0,
                                               WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    ASSERT_NE(nullptr, hook);
    ProgramProcess program;
    const HWND bubble = program.WaitForBubble();
    ASSERT_NE(nullptr, bubble);
    // Raised once, when the fade-in has made the bubble whole.
    EXPECT_TRUE(processes::WaitFor([] { return alerts > 0; })) << "no alert";
    EXPECT_EQ(bubble, alertedWindow);

    IAccessible* object = nullptr;
    ASSERT_EQ(S_OK, AccessibleObjectFromWindow(bubble, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&object)));
    EXPECT_EQ(ROLE_SYSTEM_ALERT, RoleOf(object, CHILDID_SELF));
    EXPECT_EQ(L"Marrowtune\u5c31\u5728\u8fd9\u91cc\u54e6!", NameOf(object, CHILDID_SELF));
    long children = 0;
    EXPECT_EQ(S_OK, object->get_accChildCount(&children));
    EXPECT_EQ(1, children);
    EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, RoleOf(object, BUTTON_CHILD));
    EXPECT_EQ(L"\u6211\u77e5\u9053\u4e86", NameOf(object, BUTTON_CHILD));
    long left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(S_OK, object->accLocation(&left, &top, &width, &height, Child(BUTTON_CHILD)));
    EXPECT_EQ(XY(85 + 125, 100 + 35), XY(left, top));
    EXPECT_EQ(XY(66, 24), XY(width, height));
    VARIANT hit;
    VariantInit(&hit);
    EXPECT_EQ(S_OK, object->accHitTest(85 + 150, 100 + 45, &hit));
    EXPECT_EQ(BUTTON_CHILD, hit.vt == VT_I4 ? hit.lVal : -1);

    EXPECT_EQ(S_OK, object->accDoDefaultAction(Child(BUTTON_CHILD)));
    object->Release();
    EXPECT_EQ(0u, program.WaitForExit());
    EXPECT_EQ(1, alerts);
    UnhookWinEvent(hook);
}
