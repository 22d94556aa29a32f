// The desktop icon lookup written bare, for the baselines: the same platform
// calls as LocateDesktopIcon, with no guards, holders or exception handling.
// Uses only the locator's IconRect type, none of its code.
#pragma once

#include "locator/locator.h"

namespace bench {

constexpr const char* TARGET_NAME = "marrowtune";

bool BareLookup(const char* name, IconRect& rect);

}  // namespace bench
