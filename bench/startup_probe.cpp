// The start-up report: a hook on this thread's window procedures that sees
// WM_CREATE return.
#include "bench/startup_probe.h"

#include <cstring>

namespace bench {

namespace {

HHOOK hook = nullptr;
const char* watchedClass = nullptr;
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
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        const HWND driver = FindWindowA(STARTUP_DRIVER_CLASS, nullptr);
        if (driver) PostMessageA(driver, WM_STARTUP_REPORT, 0, static_cast<LPARAM>(now.QuadPart));
        ExitProcess(0);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

void ReportStartupIfAsked(const char* commandLine, const char* className)
{
    if (commandLine == nullptr || std::strstr(commandLine, REPORT_STARTUP_ARGUMENT) == nullptr) return;
    watchedClass = className;
    hook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterWindowProcedure, nullptr, GetCurrentThreadId());
}

}  // namespace bench
