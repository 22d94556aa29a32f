// Looks up a desktop icon by its accessible name and reports where it is.
#include "locator/locator.h"

#include <oleacc.h>
#include <oleauto.h>

#include <cstring>
#include <utility>

#include "gfx/geometry.h"
#include "locator/ansi_name.h"

namespace {

// Scope guards for what one walk holds. Each releases its object exactly once,
// also when the walk ends by an exception.

// The walk's own reference to the list view's accessible object. The kept
// reference may be released while the walk waits on the shell (COM's wait
// dispatches messages, and the bubble's end releases it); the object must
// outlive the walk that uses it.
class AccessibleRef {
public:
    explicit AccessibleRef(IAccessible* shared) : object(shared) { object->AddRef(); }
    ~AccessibleRef() { object->Release(); }
    AccessibleRef(const AccessibleRef&) = delete;
    AccessibleRef& operator=(const AccessibleRef&) = delete;
    IAccessible* Get() const { return object; }
private:
    IAccessible* object;
};

// The child of one item index, VT_EMPTY until it is queried.
class ChildVariant {
public:
    ChildVariant() { VariantInit(&value); }
    ~ChildVariant() { VariantClear(&value); }
    ChildVariant(const ChildVariant&) = delete;
    ChildVariant& operator=(const ChildVariant&) = delete;
    VARIANT* Out() { return &value; }
    const VARIANT& Get() const { return value; }
private:
    VARIANT value;
};

// The accessible name of one item, null until it is queried.
class NameString {
public:
    NameString() = default;
    ~NameString() { SysFreeString(name); }
    NameString(const NameString&) = delete;
    NameString& operator=(const NameString&) = delete;
    BSTR* Out() { return &name; }
    BSTR Get() const { return name; }
private:
    BSTR name = nullptr;
};

constexpr LONG ONE_CHILD = 1;   // the list is asked for its items one at a time

}  // namespace

const char* DesktopItem::Name() const
{
    return ansiName;
}

HRESULT DesktopItem::Location(LONG& left, LONG& top, LONG& width, LONG& height) const
{
    left = top = width = height = 0;
    const HRESULT result = list->accLocation(&left, &top, &width, &height, *child);
    if (FAILED(result)) *callFailed = true;
    return result;
}

void ReleaseDesktopListObject(DesktopListObject& kept)
{
    // Emptied first: a release that waits on the shell may let messages in,
    // and none of them may find the reference still there.
    IAccessible* const object = kept.object;
    kept = DesktopListObject{};
    if (object != nullptr) object->Release();
}

// The accessible object of `listView`: the kept one while it belongs to that
// window; otherwise a new one, which is kept. An object kept for another
// window (a restarted shell's list view is a new window) is never asked
// again. Null when the list view hands out none.
static IAccessible* ListObjectFor(HWND listView, DesktopListObject& kept)
{
    if (kept.object != nullptr && kept.window == listView) {
        return kept.object;
    }
    ReleaseDesktopListObject(kept);
    void* obtained = nullptr;
    const HRESULT result = AccessibleObjectFromWindow(listView, static_cast<DWORD>(OBJID_CLIENT),
                                                      __uuidof(IAccessible), &obtained);
    IAccessible* const object = static_cast<IAccessible*>(obtained);
    if (result != S_OK) {
        if (object != nullptr) object->Release();   // whatever came with a failure goes unused
        return nullptr;
    }
    kept = DesktopListObject{listView, object};
    return object;
}

// Meets the item at `index`: a simple element with a name is handed to
// `visit`, whose answer is returned. An item that cannot be fetched or named,
// or that comes as an object of its own, is passed over (false); a failed
// call also sets `callFailed`.
static bool VisitItem(IAccessible* list, LONG index, const DesktopItemVisitor& visit, bool& callFailed)
{
    ChildVariant child;
    LONG obtained = 0;   // not consulted: the VARIANT's type says what came
    if (FAILED(AccessibleChildren(list, index, ONE_CHILD, child.Out(), &obtained))) {
        callFailed = true;
        return false;
    }
    if (child.Get().vt == VT_DISPATCH) {
        return false;
    }
    NameString accName;
    if (FAILED(list->get_accName(child.Get(), accName.Out()))) {
        callFailed = true;
        return false;
    }
    if (accName.Get() == nullptr) {
        return false;
    }
    // Names are compared and shown in the ANSI code page, as the wanted name is.
    const AnsiName ansiName = ToAnsiName(accName.Get());
    return visit(DesktopItem(list, child.Get(), ansiName.get(), callFailed));
}

// The walk over the items of the object `list`; `callFailed` is set when a
// call on it fails.
static bool WalkItemsOf(IAccessible* list, const DesktopItemVisitor& visit, LONG* itemCount, bool& callFailed)
{
    LONG count = 0;
    if (FAILED(list->get_accChildCount(&count))) {
        callFailed = true;
        return false;
    }
    if (itemCount != nullptr) *itemCount = count;
    for (LONG index = 0; index < count; ++index) {
        if (VisitItem(list, index, visit, callFailed)) {
            return true;
        }
    }
    return false;
}

bool WalkDesktopItems(DesktopListObject& kept, const DesktopItemVisitor& visit, LONG* itemCount)
{
    try {
        const HWND listView = FindDesktopListView();
        if (listView == nullptr) {
            ReleaseDesktopListObject(kept);   // the shell's list view is gone
            return false;
        }
        if (!IsWindowVisible(listView)) {
            return false;
        }
        IAccessible* const object = ListObjectFor(listView, kept);
        if (object == nullptr) {
            return false;
        }
        const AccessibleRef list(object);
        bool callFailed = false;
        const bool ended = WalkItemsOf(list.Get(), visit, itemCount, callFailed);
        // A failed call may mean the object no longer reaches the shell: the
        // next walk starts from a fresh one.
        if (callFailed) ReleaseDesktopListObject(kept);
        return ended;
    } catch (...) {
        // A failed name conversion, or anything else thrown during the walk,
        // ends it as if nothing was found; the guards above have released
        // what the walk held, and the kept object goes too.
        ReleaseDesktopListObject(kept);
        return false;
    }
}

bool WalkDesktopItems(const DesktopItemVisitor& visit, LONG* itemCount)
{
    DesktopListObject once;
    const bool ended = WalkDesktopItems(once, visit, itemCount);
    ReleaseDesktopListObject(once);
    return ended;
}

bool LocateDesktopIcon(std::string name, IconRect& rect)
{
    DesktopListObject once;
    const bool found = LocateDesktopIcon(std::move(name), rect, once);
    ReleaseDesktopListObject(once);
    return found;
}

bool LocateDesktopIcon(std::string name, IconRect& rect, DesktopListObject& kept)
{
    return WalkDesktopItems(kept, [&](const DesktopItem& item) {
        if (std::strcmp(item.Name(), name.c_str()) != 0) {
            return false;
        }
        // A match counts whatever accLocation answers; on failure the zeros stay.
        LONG left = 0;
        LONG top = 0;
        LONG width = 0;
        LONG height = 0;
        item.Location(left, top, width, height);
        rect = IconRect{left, top, ClampedSum(left, width), ClampedSum(top, height)};
        return true;
    });
}
