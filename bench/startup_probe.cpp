// The start-up report: a hook on this thread's window procedures that sees
// WM_CREATE return.
#include "bench/startup_probe.h"

#include <cstdlib>
#include <cstring>

#include "bench/clock.h"

namespace bench {

namespace {

HHOOK hook = nullptr;
HHOOK plantHook = nullptr;
const char* watchedClass = nullptr;
LONGLONG enteredAt = 0;
DWORD plantedDelayMs = 0;
constexpr int CLASS_NAME_LENGTH = 256;

bool OfWatchedClass(HWND window)
{
    char name[CLASS_NAME_LENGTH] = {};
    GetClassNameA(window, name, CLASS_NAME_LENGTH);
    return std::strcmp(name, watchedClass) == 0;
}

LRESULT CALLBACK AfterWindowProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_CREATE && OfWatchedClass(call->hwnd)) {
        const LONGLONG now = Count();
        const HWND driver = FindWindowA(STARTUP_DRIVER_CLASS, nullptr);
        if (driver) {
            PostMessageA(driver, WM_STARTUP_REPORT, static_cast<WPARAM>(enteredAt),
                         static_cast<LPARAM>(now));
        }
        ExitProcess(0);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

LRESULT CALLBACK BeforeWindowProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_CREATE && OfWatchedClass(call->hwnd)) Sleep(plantedDelayMs);
    return CallNextHookEx(plantHook, code, wParam, lParam);
}

}  // namespace

void ReportStartupIfAsked(const char* commandLine, const char* className)
{
    if (commandLine == nullptr || std::strstr(commandLine, REPORT_STARTUP_ARGUMENT) == nullptr) return;
    enteredAt = Count();
    watchedClass = className;
    hook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterWindowProcedure, nullptr, GetCurrentThreadId());
    const char* plant = std::strstr(commandLine, PLANT_DELAY_ARGUMENT);
    if (plant != nullptr) {
        plantedDelayMs = static_cast<DWORD>(std::strtoul(plant + std::strlen(PLANT_DELAY_ARGUMENT), nullptr, 10));
        plantHook = SetWindowsHookExA(WH_CALLWNDPROC, BeforeWindowProcedure, nullptr, GetCurrentThreadId());
    }
}

}  // namespace bench
