// Looks up a desktop icon by its accessible name and reports where it is.
#include "locator/locator.h"

#include <oleacc.h>
#include <oleauto.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "locator/ansi_name.h"

namespace {

// Scope guards for what one walk holds. Each releases its object exactly once,
// also when the walk ends by an exception.

// A reference to the list view's accessible object.
class AccessibleRef {
public:
    explicit AccessibleRef(IAccessible* held) : object(held) {}
    ~AccessibleRef() { if (object != nullptr) object->Release(); }
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

// A sum outside the 32-bit range (only a broken server reports one) is held
// at the range's end.
LONG FarEdge(LONG origin, LONG extent)
{
    const long long edge = static_cast<long long>(origin) + extent;
    return static_cast<LONG>(std::clamp<long long>(edge,
        std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

const char* DesktopItem::Name() const
{
    return ansiName;
}

HRESULT DesktopItem::Location(LONG& left, LONG& top, LONG& width, LONG& height) const
{
    left = top = width = height = 0;
    return list->accLocation(&left, &top, &width, &height, *child);
}

// Meets the item at `index`: a simple element with a name is handed to
// `visit`, whose answer is returned. An item that cannot be fetched or named,
// or that comes as an object of its own, is passed over (false).
static bool VisitItem(IAccessible* list, LONG index, const DesktopItemVisitor& visit)
{
    ChildVariant child;
    LONG obtained = 0;   // not consulted: the VARIANT's type says what came
    if (FAILED(AccessibleChildren(list, index, ONE_CHILD, child.Out(), &obtained))
        || child.Get().vt == VT_DISPATCH) {
        return false;
    }
    NameString accName;
    if (FAILED(list->get_accName(child.Get(), accName.Out())) || accName.Get() == nullptr) {
        return false;
    }
    // Names are compared and shown in the ANSI code page, as the wanted name is.
    const AnsiName ansiName = ToAnsiName(accName.Get());
    return visit(DesktopItem(list, child.Get(), ansiName.get()));
}

bool WalkDesktopItems(const DesktopItemVisitor& visit, LONG* itemCount)
{
    try {
        const HWND listView = FindDesktopListView();
        if (listView == nullptr || !IsWindowVisible(listView)) {
            return false;
        }
        void* object = nullptr;
        const HRESULT result = AccessibleObjectFromWindow(listView, static_cast<DWORD>(OBJID_CLIENT),
                                                          __uuidof(IAccessible), &object);
        const AccessibleRef list(static_cast<IAccessible*>(object));
        if (result != S_OK || list.Get() == nullptr) {
            return false;
        }
        LONG count = 0;
        if (FAILED(list.Get()->get_accChildCount(&count))) {
            return false;
        }
        if (itemCount != nullptr) *itemCount = count;
        for (LONG index = 0; index < count; ++index) {
            if (VisitItem(list.Get(), index, visit)) {
                return true;
            }
        }
        return false;
    } catch (...) {
        // A failed name conversion, or anything else thrown during the walk,
        // ends it as if nothing was found; the guards above have released
        // what was held.
        return false;
    }
}

bool LocateDesktopIcon(std::string name, IconRect& rect)
{
    return WalkDesktopItems([&](const DesktopItem& item) {
        if (std::strcmp(item.Name(), name.c_str()) != 0) {
            return false;
        }
        // A match counts whatever accLocation answers; on failure the zeros stay.
        LONG left = 0;
        LONG top = 0;
        LONG width = 0;
        LONG height = 0;
        item.Location(left, top, width, height);
        rect = IconRect{left, top, FarEdge(left, width), FarEdge(top, height)};
        return true;
    });
}
