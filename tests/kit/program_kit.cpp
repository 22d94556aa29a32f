// The program's calls recorded through the import table, and the program put
// back as a fresh process finds it after every case. Linked as an object
// file into every test executable that holds the bubble, so that the
// recording and the reset are in place before the first case runs.
#include "kit/program_kit.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <atomic>
#include <cstring>

#include "app/app.h"
#include "app/presentation.h"
#include "bubble/bubble.h"
#include "bubble/canvas.h"

namespace {

struct RecordedTimerCall {
    HWND window;
    TimerCall call;
};

std::vector<RecordedTimerCall> timerCalls;
size_t timerCallsTaken = 0;
// Read by other threads of a test too.
std::atomic<int> desktopWalks{0};
// The single-instance mutexes the program created in this process: a fresh
// process holds none.
std::vector<HANDLE> mutexes;
LayeredWindowCall lastLayeredWindowCall;

decltype(&SetTimer) realSetTimer = nullptr;
decltype(&KillTimer) realKillTimer = nullptr;
decltype(&CreateMutexA) realCreateMutexA = nullptr;
decltype(&AccessibleChildren) realAccessibleChildren = nullptr;
decltype(&GetProcAddress) realGetProcAddress = nullptr;
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

BOOL WINAPI RecordUpdateLayeredWindow(HWND window, HDC screen, POINT* at, SIZE* size, HDC source,
                                      POINT* sourceAt, COLORREF key, BLENDFUNCTION* blend, DWORD flags)
{
    lastLayeredWindowCall = {flags, blend ? *blend : BLENDFUNCTION{}};
    return realUpdateLayeredWindow(window, screen, at, size, source, sourceAt, key, blend, flags);
}

FARPROC WINAPI RecordGetProcAddress(HMODULE module, LPCSTR name)
{
    const FARPROC address = realGetProcAddress(module, name);
    if (!address || IS_INTRESOURCE(name) || std::strcmp(name, "UpdateLayeredWindow") != 0) return address;
    realUpdateLayeredWindow = reinterpret_cast<decltype(&UpdateLayeredWindow)>(reinterpret_cast<void*>(address));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordUpdateLayeredWindow));
}

// Points every import slot of this executable that holds `module`'s
// `function` at `replacement`, and returns the function's own address (null
// when no slot held it). The program is linked into the executable, so its
// calls go through these slots.
template <typename Function>
Function ReplaceImport(const char* module, const char* function, Function replacement)
{
    const HMODULE exporter = GetModuleHandleA(module);
    const FARPROC original = exporter ? GetProcAddress(exporter, function) : nullptr;
    if (!original) return nullptr;
    BYTE* const base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* const dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* const headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    bool replaced = false;
    for (auto* imports = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         imports->Name != 0; ++imports) {
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imports->FirstThunk); slot->u1.Function != 0;
             ++slot) {
            if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(original)) continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            replaced = true;
        }
    }
    return replaced ? reinterpret_cast<Function>(reinterpret_cast<void*>(original)) : nullptr;
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
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
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
        lastLayeredWindowCall = {};
    }
};

const bool installed = [] {
    realSetTimer = ReplaceImport("user32.dll", "SetTimer", RecordSetTimer);
    realKillTimer = ReplaceImport("user32.dll", "KillTimer", RecordKillTimer);
    realCreateMutexA = ReplaceImport("kernel32.dll", "CreateMutexA", RecordCreateMutexA);
    realAccessibleChildren = ReplaceImport("oleacc.dll", "AccessibleChildren", RecordAccessibleChildren);
    realGetProcAddress = ReplaceImport("kernel32.dll", "GetProcAddress", RecordGetProcAddress);
    testing::UnitTest::GetInstance()->listeners().Append(new ResetAfterEveryCase);
    return realSetTimer && realKillTimer && realCreateMutexA && realAccessibleChildren && realGetProcAddress;
}();

}  // namespace

TimerCalls TakeTimerCalls(HWND window)
{
    EXPECT_TRUE(installed) << "the kit could not reach the program's imports";
    TimerCalls calls;
    for (size_t i = timerCallsTaken; i < timerCalls.size(); ++i) {
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

LayeredWindowCall LastLayeredWindowCall()
{
    EXPECT_TRUE(installed) << "the kit could not reach the program's imports";
    return lastLayeredWindowCall;
}

int DesktopWalks()
{
    EXPECT_TRUE(installed) << "the kit could not reach the program's imports";
    return desktopWalks;
}
