// Desktop icon locator: finds the shell's desktop list view and, through
// Microsoft Active Accessibility, the screen rectangle of the icon with a
// given accessible name.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>

// A screen rectangle in pixels as the accessibility layer reports it
// (right = left + width, bottom = top + height); never clipped to the screen.
struct IconRect {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

// The window classes of the shell's desktop, from the top-level window down
// to the list view (class names compare without regard to case).
constexpr const char* PROGMAN_CLASS = "progman";
constexpr const char* WORKERW_CLASS = "WorkerW";
constexpr const char* DEFVIEW_CLASS = "SHELLDLL_DefView";
constexpr const char* LIST_VIEW_CLASS = "SysListView32";

// The desktop's "SysListView32" window, or null.
HWND FindDesktopListView();

// The desktop list view's accessible object, kept from one walk to the next
// while the same window is the desktop's list view. Obtaining a fresh object
// for every walk costs the process that serves the list view memory under
// Wine (about 2 KiB each time), and the bubble walks every 700 ms. Empty, or
// one reference to the object of `window`.
struct DesktopListObject {
    HWND window = nullptr;
    IAccessible* object = nullptr;
};

// Releases the kept object, if any, and leaves `kept` empty.
void ReleaseDesktopListObject(DesktopListObject& kept);

// One named item of the desktop list view, met during a walk: its name in the
// ANSI code page, and on request its rectangle. Valid only inside the visit.
class DesktopItem {
public:
    // `callFailed` is set when a call on the list fails during the visit.
    DesktopItem(IAccessible* list, const VARIANT& child, const char* ansiName, bool& callFailed)
        : list(list), child(&child), ansiName(ansiName), callFailed(&callFailed) {}
    const char* Name() const;
    // accLocation as the item answers it (zeros when the call fails).
    HRESULT Location(LONG& left, LONG& top, LONG& width, LONG& height) const;
private:
    IAccessible* list;
    const VARIANT* child;
    const char* ansiName;
    bool* callFailed;
};

// Called for each named simple element in child order; returning true ends
// the walk there.
using DesktopItemVisitor = std::function<bool(const DesktopItem&)>;

// Walks the desktop list view's accessible items from the first. Items that
// cannot be fetched or named, or that come as objects of their own, are
// passed over. Returns true when a visit ended the walk; false when the list
// view or its accessible object is missing or hidden, when every item was
// visited, or when the walk failed. `itemCount`, when given, receives the
// number of children the list reports. Never throws.
// The walk uses the object in `kept` while it belongs to the list view found
// now, and otherwise obtains one and keeps it there. The kept object is
// released when the list view is gone or another window has taken its place,
// and at the end of a walk in which a call on it failed (or that an
// exception ended): the next walk then obtains a fresh one.
bool WalkDesktopItems(DesktopListObject& kept, const DesktopItemVisitor& visit, LONG* itemCount = nullptr);
// The same walk with an object of its own, released before it returns.
bool WalkDesktopItems(const DesktopItemVisitor& visit, LONG* itemCount = nullptr);

// Looks for the first item of the desktop list view whose accessible name,
// in the ANSI code page, equals `name` exactly. On a match writes its screen
// rectangle to `rect` and returns true; otherwise returns false and leaves
// `rect` as it was. Walks with the object in `kept` as WalkDesktopItems does.
// Never throws.
bool LocateDesktopIcon(std::string name, IconRect& rect, DesktopListObject& kept);
// The same lookup with an object of its own, released before it returns.
bool LocateDesktopIcon(std::string name, IconRect& rect);
