// The program's calls recorded through the import table, and the program put
// back as a fresh process finds it after every case. Linked as an object
// file into every test executable that holds the bubble, so that the
// recording and the reset are in place before the first case runs.
#include "kit/program_kit.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>

#include "app/app.h"
#include "app/presentation.h"
#include "bubble/bubble.h"
#include "bubble/canvas.h"
#include "kit/import_patch.h"

namespace {

struct RecordedTimerCall { HWND window; TimerCall call; };

std::vector<RecordedTimerCall> timerCalls;
size_t timerCallsTaken = 0;
// Read by other threads of a test too.
std::atomic<int> desktopWalks{0};
// The single-instance mutexes the program created in this process: a fresh
// process holds none.
std::vector<HANDLE> mutexes;
std::vector<SimulatedMonitor> simulatedMonitors;
enum class Animations { Real, On, Off } animations = Animations::Real;
LayeredWindowCall lastLayeredWindowCall;

decltype(&SetTimer) realSetTimer = nullptr;
decltype(&KillTimer) realKillTimer = nullptr;
decltype(&CreateMutexA) realCreateMutexA = nullptr;
decltype(&AccessibleChildren) realAccessibleChildren = nullptr;
decltype(&MonitorFromRect) realMonitorFromRect = nullptr;
decltype(&GetMonitorInfoA) realGetMonitorInfoA = nullptr;
decltype(&GetProcAddress) realGetProcAddress = nullptr;
decltype(&SystemParametersInfoA) realSystemParametersInfoA = nullptr;
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
GetDpiForMonitorFunction realGetDpiForMonitor = nullptr;
decltype(&UpdateLayeredWindow) realUpdateLayeredWindow = nullptr;

UINT_PTR WINAPI RecordSetTimer(HWND window, UINT_PTR id, UINT periodMs, TIMERPROC procedure)
{
    timerCalls.push_back({window, Armed(id, periodMs)});
    return realSetTimer(window, id, periodMs, procedure);
}

BOOL WINAPI RecordKillTimer(HWND window, UINT_PTR id)
{
    timerCalls.push_back({window, Killed(id)});
    return realKillTimer(window, id);
}

HANDLE WINAPI RecordCreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL owned, LPCSTR name)
{
    const HANDLE mutex = realCreateMutexA(attributes, owned, name);
    const DWORD error = GetLastError();   // the program reads it next
    if (mutex) mutexes.push_back(mutex);
    SetLastError(error);
    return mutex;
}

// A walk asks for the first item once; the list's object may be one it kept.
HRESULT STDAPICALLTYPE RecordAccessibleChildren(IAccessible* list, LONG start, LONG count, VARIANT* children,
                                                LONG* obtained)
{
    if (start == 0) ++desktopWalks;
    return realAccessibleChildren(list, start, count, children, obtained);
}

// A simulated monitor's handle: its index plus one, a value no real
// monitor handle takes.
HMONITOR SimulatedHandle(size_t index)
{
    return reinterpret_cast<HMONITOR>(static_cast<UINT_PTR>(index + 1));
}

const SimulatedMonitor* SimulatedOf(HMONITOR monitor)
{
    const UINT_PTR index = reinterpret_cast<UINT_PTR>(monitor);
    return index >= 1 && index <= simulatedMonitors.size() ? &simulatedMonitors[index - 1] : nullptr;
}

// The monitor with the largest share of `rect`, else the nearest one.
HMONITOR WINAPI SimulateMonitorFromRect(LPCRECT rect, DWORD flags)
{
    if (simulatedMonitors.empty()) return realMonitorFromRect(rect, flags);
    size_t best = 0;
    long long bestArea = -1;
    long long bestDistance = LLONG_MAX;
    for (size_t index = 0; index < simulatedMonitors.size(); ++index) {
        const RECT& bounds = simulatedMonitors[index].bounds;
        RECT shared{};
        const long long area = IntersectRect(&shared, rect, &bounds)
            ? static_cast<long long>(shared.right - shared.left) * (shared.bottom - shared.top) : 0;
        const long long dx = std::max({0L, bounds.left - rect->right, rect->left - bounds.right});
        const long long dy = std::max({0L, bounds.top - rect->bottom, rect->top - bounds.bottom});
        const long long distance = dx * dx + dy * dy;
        if (area > bestArea || (area == bestArea && distance < bestDistance)) {
            best = index;
            bestArea = area;
            bestDistance = distance;
        }
    }
    return SimulatedHandle(best);
}

BOOL WINAPI SimulateGetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info)
{
    const SimulatedMonitor* const simulated = SimulatedOf(monitor);
    if (simulated == nullptr || simulatedMonitors.empty()) return realGetMonitorInfoA(monitor, info);
    info->rcMonitor = simulated->bounds;
    info->rcWork = simulated->workArea;
    info->dwFlags = monitor == SimulatedHandle(0) ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

HRESULT WINAPI SimulateGetDpiForMonitor(HMONITOR monitor, int kind, UINT* dpiX, UINT* dpiY)
{
    const SimulatedMonitor* const simulated = simulatedMonitors.empty() ? nullptr : SimulatedOf(monitor);
    if (simulated == nullptr) {
        return realGetDpiForMonitor ? realGetDpiForMonitor(monitor, kind, dpiX, dpiY) : E_NOTIMPL;
    }
    *dpiX = *dpiY = simulated->dpi;
    return S_OK;
}

BOOL WINAPI RecordUpdateLayeredWindow(HWND window, HDC screen, POINT* at, SIZE* size, HDC source,
                                      POINT* sourceAt, COLORREF key, BLENDFUNCTION* blend, DWORD flags)
{
    lastLayeredWindowCall = {flags, blend ? *blend : BLENDFUNCTION{}};
    return realUpdateLayeredWindow(window, screen, at, size, source, sourceAt, key, blend, flags);
}

// The program binds GetDpiForMonitor and UpdateLayeredWindow by name: it
// gets the simulation's and the recording one.
FARPROC WINAPI SimulateGetProcAddress(HMODULE module, LPCSTR name)
{
    const FARPROC real = realGetProcAddress(module, name);
    if (IS_INTRESOURCE(name) || real == nullptr) return real;
    if (std::strcmp(name, "GetDpiForMonitor") == 0) {
        realGetDpiForMonitor = reinterpret_cast<GetDpiForMonitorFunction>(reinterpret_cast<void*>(real));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(SimulateGetDpiForMonitor));
    }
    if (std::strcmp(name, "UpdateLayeredWindow") == 0) {
        realUpdateLayeredWindow = reinterpret_cast<decltype(&UpdateLayeredWindow)>(reinterpret_cast<void*>(real));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordUpdateLayeredWindow));
    }
    return real;
}

BOOL WINAPI SimulateSystemParametersInfoA(UINT action, UINT parameter, void* value, UINT flags)
{
    if (action != SPI_GETCLIENTAREAANIMATION || animations == Animations::Real) {
        return realSystemParametersInfoA(action, parameter, value, flags);
    }
    *static_cast<BOOL*>(value) = animations == Animations::On;
    return TRUE;
}

// Windows of this thread whose class this executable registered: the
// bubble's, the stand-in desktop's and the tests' own, never the system's.
BOOL CALLBACK DestroyOwnWindow(HWND window, LPARAM)
{
    if (reinterpret_cast<HMODULE>(GetClassLongPtrA(window, GCLP_HMODULE)) == GetModuleHandleA(nullptr)) {
        DestroyWindow(window);
    }
    return TRUE;
}

// Frees what creation made; the program itself keeps it until it ends.
void ReleaseBubbleObjects()
{
    ReleaseCanvas();
    if (ButtonHost* const host = bubbleState.buttonHost) {
        for (ButtonNode* node = host->head; node != nullptr;) {
            ButtonNode* const next = node->next;
            delete node;
            node = next;
        }
        delete host;
    }
    if (ImageButton* const button = bubbleState.dismissButton) {
        delete button->surface;
        delete button;
    }
    for (PngImage* const image : {bubbleState.bubbleImageRight, bubbleState.bubbleImageLeft,
                                  bubbleState.buttonImageNormal, bubbleState.buttonImageHover,
                                  bubbleState.buttonImagePressed}) {
        delete image;
    }
}

class ResetAfterEveryCase : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override
    {
        // A bubble window's WM_DESTROY posts the quit message: taken out too.
        // The program's class goes with its windows, as in a fresh process.
        EnumThreadWindows(GetCurrentThreadId(), DestroyOwnWindow, 0);
        UnregisterClassA(BUBBLE_CLASS_NAME, GetModuleHandleA(nullptr));
        MSG quit;
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) continue;
        ReleaseBubbleObjects();
        ReleaseDesktopListObject(bubbleState.desktopList);
        bubbleState = BubbleState{};
        shellCounters = ShellCounters{};
        gdiplusShutdowns = 0;
        HostRegistry.clear();
        previousButtonProc = nullptr;
        for (const HANDLE mutex : mutexes) CloseHandle(mutex);
        mutexes.clear();
        timerCalls.clear();
        timerCallsTaken = 0;
        desktopWalks = 0;
        simulatedMonitors.clear();
        animations = Animations::Real;
        lastLayeredWindowCall = {};
    }
};

const bool installed = [] {
    realSetTimer = importpatch::Replace("user32.dll", "SetTimer", RecordSetTimer);
    realKillTimer = importpatch::Replace("user32.dll", "KillTimer", RecordKillTimer);
    realCreateMutexA = importpatch::Replace("kernel32.dll", "CreateMutexA", RecordCreateMutexA);
    realAccessibleChildren = importpatch::Replace("oleacc.dll", "AccessibleChildren", RecordAccessibleChildren);
    realMonitorFromRect = importpatch::Replace("user32.dll", "MonitorFromRect", SimulateMonitorFromRect);
    realGetMonitorInfoA = importpatch::Replace("user32.dll", "GetMonitorInfoA", SimulateGetMonitorInfoA);
    realGetProcAddress = importpatch::Replace("kernel32.dll", "GetProcAddress", SimulateGetProcAddress);
    realSystemParametersInfoA =
        importpatch::Replace("user32.dll", "SystemParametersInfoA", SimulateSystemParametersInfoA);
    testing::UnitTest::GetInstance()->listeners().Append(new ResetAfterEveryCase);
    return realSetTimer && realKillTimer && realCreateMutexA && realAccessibleChildren && realMonitorFromRect &&
           realGetMonitorInfoA && realGetProcAddress && realSystemParametersInfoA;
}();

// `state` of the kit's, which it keeps only when it reached the program's imports.
template <typename State>
State& Kept(State& state)
{
    EXPECT_TRUE(installed) << "the kit could not reach the program's imports";
    return state;
}

}  // namespace

TimerCalls TakeTimerCalls(HWND window)
{
    TimerCalls calls;
    for (size_t i = timerCallsTaken; i < Kept(timerCalls).size(); ++i) {
        if (timerCalls[i].window == window) calls.push_back(timerCalls[i].call);
    }
    timerCallsTaken = timerCalls.size();
    return calls;
}

UINT RunningPeriod(HWND window, UINT_PTR id)
{
    UINT period = 0;
    for (const RecordedTimerCall& recorded : timerCalls) {
        if (recorded.window == window && recorded.call.id == id) period = recorded.call.periodMs;
    }
    return period;
}

void SimulateMonitors(const std::vector<SimulatedMonitor>& monitors) { Kept(simulatedMonitors) = monitors; }
void SetAnimationsOn(bool on) { Kept(animations) = on ? Animations::On : Animations::Off; }
LayeredWindowCall LastLayeredWindowCall() { return Kept(lastLayeredWindowCall); }
int DesktopWalks() { return Kept(desktopWalks); }
