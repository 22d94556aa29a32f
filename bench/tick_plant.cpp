// The planted tick cost: a hook sees the bubble window's WM_CREATE return and
// puts a wrapper in front of its window procedure.
#include "bench/tick_plant.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "bench/clock.h"
#include "bubble/bubble.h"

namespace bench {

namespace {

constexpr int CLASS_NAME_LENGTH = 256;
constexpr double MICROSECONDS_PER_SECOND = 1e6;

HHOOK hook = nullptr;
const char* watchedClass = nullptr;
WNDPROC bubbleProcedure = nullptr;
double plantedMicroseconds = 0;

LRESULT CALLBACK PlantedProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallWindowProcA(bubbleProcedure, window, message, wParam, lParam);
    if (message == WM_TIMER && wParam == TIMER_TRACK) Spin(plantedMicroseconds / MICROSECONDS_PER_SECOND);
    return result;
}

LRESULT CALLBACK AfterWindowProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_CREATE && bubbleProcedure == nullptr) {
        char name[CLASS_NAME_LENGTH] = {};
        GetClassNameA(call->hwnd, name, CLASS_NAME_LENGTH);
        if (std::strcmp(name, watchedClass) == 0) {
            bubbleProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                call->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PlantedProcedure)));
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

void PlantTickCostIfAsked(const char* commandLine, const char* className)
{
    const char* plant = commandLine ? std::strstr(commandLine, PLANT_TICK_ARGUMENT) : nullptr;
    if (plant == nullptr) return;
    plantedMicroseconds = std::strtod(plant + std::strlen(PLANT_TICK_ARGUMENT), nullptr);
    watchedClass = className;
    hook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterWindowProcedure, nullptr, GetCurrentThreadId());
}

}  // namespace bench
