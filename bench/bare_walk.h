// The desktop icon lookup written bare, for the baselines: the same platform
// calls as LocateDesktopIcon, with no guards, holders or exception handling.
// Uses only the locator's IconRect type, none of its code.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include "locator/locator.h"

namespace bench {

constexpr const char* TARGET_NAME = "marrowtune";

bool BareLookup(const char* name, IconRect& rect);

// The same lookup on a list-view object kept between calls, as the program
// keeps its own from tick to tick: `held` is obtained when null and left to
// the caller, who releases it when the desktop's list view changes.
bool BareLookupHeld(const char* name, IconRect& rect, IAccessible*& held);

}  // namespace bench
