// Redirects this executable's own calls of a system function: the test kit
// records the program's timers and walks this way, and the instrumented
// build of the program puts its probes and plants in front of the calls.
#pragma once

#include <windows.h>

namespace importpatch {

// Points every import slot of this executable that holds `module`'s
// `function` at `replacement`, and returns the function's own address (null
// when no slot held it). The program is linked into the executable, so its
// calls go through these slots.
void* Replace(const char* module, const char* function, void* replacement);

template <typename Function>
Function Replace(const char* module, const char* function, Function replacement)
{
    return reinterpret_cast<Function>(Replace(module, function, reinterpret_cast<void*>(replacement)));
}

}  // namespace importpatch
