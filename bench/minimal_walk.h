// The smallest walk that makes the platform calls a tracking tick makes, as
// the accessibility documentation describes them: the list view's client
// object (AccessibleObjectFromWindow with OBJID_CLIENT), all its children in
// one AccessibleChildren call, each simple child's name (get_accName), and
// the location of the one that matches (accLocation). Written for the
// benchmarks as an independent reference: it shares no code with the locator.
#pragma once

#include <windows.h>
#include <oleacc.h>

namespace bench {

// The icon's name as the accessibility calls give it.
constexpr const wchar_t* WIDE_TARGET_NAME = L"marrowtune";

// What one step of the walk asks, for measuring one kind of call at a time.
enum class WalkCall { Object, ChildCount, Children, Names, Location };

// The desktop's list view under "Progman", or null.
HWND MinimalListView();

// The client object of `listView` with one reference, or null.
IAccessible* MinimalClientObject(HWND listView);

// One walk with `list` (an object already held): true and the icon's
// rectangle (left, top, right, bottom) when an item is named `name`.
bool MinimalWalkWith(IAccessible* list, const wchar_t* name, RECT& where);

// One whole walk: list view, its object (released at the end), the match.
bool MinimalWalk(const wchar_t* name, RECT& where);

// Makes only the calls of one kind that a walk makes with `list`: the child
// count once, the children once, every item's name, or the location of the
// last item. Objects are only obtained and released (Object) with `listView`.
// False when a call fails.
bool MinimalCallsOfOneKind(WalkCall call, HWND listView, IAccessible* list);

}  // namespace bench
