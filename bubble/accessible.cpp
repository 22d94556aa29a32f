// The bubble as screen readers see it: the window's client area answers
// WM_GETOBJECT with an accessible object of its own, an alert whose name is
// the message the picture shows, holding one push button, the dismiss
// button, whose default action dismisses the bubble as a click does. The
// window's class and title are left as they are; the object says what the
// bubble is.
#include <windows.h>
#include <oleacc.h>

#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"

namespace {

// The texts of the pictures, in UTF-16: the message (two lines in the
// picture, one sentence) and the button's words.
constexpr const wchar_t* MESSAGE_TEXT = L"Marrowtune\u5c31\u5728\u8fd9\u91cc\u54e6!";
constexpr const wchar_t* BUTTON_TEXT = L"\u6211\u77e5\u9053\u4e86";
// The button's default action, as the system names a push button's: "press".
constexpr const wchar_t* PRESS_TEXT = L"\u6309\u4e0b";

constexpr LONG BUTTON_CHILD = 1;   // the one child, a simple element
constexpr long CHILD_COUNT = 1;

// The child a VARIANT names: CHILDID_SELF, BUTTON_CHILD, or -1 for anything else.
LONG ChildOf(const VARIANT& child)
{
    if (child.vt != VT_I4 || (child.lVal != CHILDID_SELF && child.lVal != BUTTON_CHILD)) return -1;
    return child.lVal;
}

HRESULT TextAnswer(const wchar_t* text, BSTR* answer)
{
    if (answer == nullptr) return E_POINTER;
    *answer = SysAllocString(text);
    return *answer != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT NoText(BSTR* answer)
{
    if (answer == nullptr) return E_POINTER;
    *answer = nullptr;
    return S_FALSE;
}

HRESULT ChildAnswer(LONG child, VARIANT* answer)
{
    if (answer == nullptr) return E_POINTER;
    VariantInit(answer);
    answer->vt = VT_I4;
    answer->lVal = child;
    return S_OK;
}

HRESULT NoChild(VARIANT* answer)
{
    if (answer == nullptr) return E_POINTER;
    VariantInit(answer);
    return S_FALSE;
}

// The dismiss button's rectangle on the screen.
RECT ButtonOnScreen()
{
    RECT button = bubbleState.dismissButton->rect;
    OffsetRect(&button, bubbleState.windowX, bubbleState.windowY);
    return button;
}

// One object for the process's one bubble window. It lives as long as the
// process: references only count, and the last one frees nothing.
class BubbleAccessible final : public IAccessible {
public:
    void Serve(HWND bubble) { window = bubble; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&references)); }

    // No type information: callers use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        if (parent == nullptr) return E_POINTER;
        *parent = nullptr;
        // The window's own frame object is the client area's parent.
        return AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                          reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        if (count == nullptr) return E_POINTER;
        *count = CHILD_COUNT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        // The button is a simple element: its parent answers for it.
        return ChildOf(child) == BUTTON_CHILD ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        switch (ChildOf(child)) {
        case CHILDID_SELF: return TextAnswer(MESSAGE_TEXT, name);
        case BUTTON_CHILD: return TextAnswer(BUTTON_TEXT, name);
        default: return E_INVALIDARG;
        }
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return ChildOf(child) < 0 ? E_INVALIDARG : NoText(value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override
    {
        return ChildOf(child) < 0 ? E_INVALIDARG : NoText(description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        switch (ChildOf(child)) {
        case CHILDID_SELF: return ChildAnswer(ROLE_SYSTEM_ALERT, role);
        case BUTTON_CHILD: return ChildAnswer(ROLE_SYSTEM_PUSHBUTTON, role);
        default: return E_INVALIDARG;
        }
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        const LONG which = ChildOf(child);
        if (which < 0) return E_INVALIDARG;
        LONG flags = 0;
        if (which == BUTTON_CHILD) {
            // The button's look, as the pointer gives it; once the bubble is
            // going, pressing it does nothing more.
            const int look = bubbleState.dismissButton->state;
            if (look == Hover) flags |= STATE_SYSTEM_HOTTRACKED;
            if (look == Pressed) flags |= STATE_SYSTEM_PRESSED;
            if (bubbleState.dismissing) flags |= STATE_SYSTEM_UNAVAILABLE;
        }
        return ChildAnswer(flags, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return ChildOf(child) < 0 ? E_INVALIDARG : NoText(help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override
    {
        if (topic != nullptr) *topic = 0;
        return NoText(file);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return ChildOf(child) < 0 ? E_INVALIDARG : NoText(shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return NoChild(focus); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override { return NoChild(selection); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        switch (ChildOf(child)) {
        case CHILDID_SELF: return NoText(action);
        case BUTTON_CHILD: return TextAnswer(PRESS_TEXT, action);
        default: return E_INVALIDARG;
        }
    }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override
    {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
        RECT bounds{};
        switch (ChildOf(child)) {
        case CHILDID_SELF:
            GetWindowRect(window, &bounds);
            break;
        case BUTTON_CHILD:
            bounds = ButtonOnScreen();
            break;
        default:
            return E_INVALIDARG;
        }
        *left = bounds.left;
        *top = bounds.top;
        *width = bounds.right - bounds.left;
        *height = bounds.bottom - bounds.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        const bool intoChildren = direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD;
        if (intoChildren && ChildOf(start) == CHILDID_SELF) return ChildAnswer(BUTTON_CHILD, end);
        return NoChild(end);   // the one button has no siblings
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override
    {
        const POINT point{x, y};
        const RECT button = ButtonOnScreen();
        if (PtInRect(&button, point)) return ChildAnswer(BUTTON_CHILD, child);
        RECT bounds{};
        GetWindowRect(window, &bounds);
        if (PtInRect(&bounds, point)) return ChildAnswer(CHILDID_SELF, child);
        return NoChild(child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        switch (ChildOf(child)) {
        case BUTTON_CHILD:
            // As a completed click: the fade-out at the click's pace, then
            // the end of the process with 0.
            BeginFadeOut(window, FADE_OUT_CLICK_PERIOD_MS);
            return S_OK;
        case CHILDID_SELF: return DISP_E_MEMBERNOTFOUND;
        default: return E_INVALIDARG;
        }
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

private:
    HWND window = nullptr;
    LONG references = 0;
};

BubbleAccessible bubbleAccessible;

}  // namespace

LRESULT AnswerAccessibleObject(HWND window, WPARAM objectFlags)
{
    bubbleAccessible.Serve(window);
    return LresultFromObject(__uuidof(IAccessible), objectFlags, static_cast<IAccessible*>(&bubbleAccessible));
}
