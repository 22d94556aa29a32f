// The program and desktop-standin.exe as processes of their own, started by
// a test: the program against a stand-in desktop in the test process or in
// another one (which can hang or die). Every wait is bounded and dispatches
// the test thread's messages, through which a stand-in desktop in the test
// process serves the program; whatever a test started is ended on the way out.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "app/app.h"

namespace processes {

constexpr DWORD WAIT_LIMIT_MS = 30000;   // generous: a failure must not hang
constexpr DWORD POLL_MS = 20;

// The folder of this test executable, with a trailing separator.
inline std::string TestFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder;
}

// Checks `done` at least every POLL_MS, dispatching this thread's messages
// in between, until it holds or `timeoutMs` has passed. A WM_QUIT is left in
// the queue.
template <typename Condition>
bool WaitFor(Condition done, DWORD timeoutMs = WAIT_LIMIT_MS)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, POLL_MS, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
            PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

constexpr int NO_SHOW_COMMAND = -1;   // the process gets the default show command

class OwnedHandle {
public:
    OwnedHandle() = default;
    ~OwnedHandle() { Close(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE* Out() { return &handle; }
    HANDLE Get() const { return handle; }
    void Close()
    {
        if (handle != nullptr) CloseHandle(handle);
        handle = nullptr;
    }

private:
    HANDLE handle = nullptr;
};

// A started process; terminated on destruction if it still runs.
class Process {
public:
    Process() = default;
    ~Process() { End(); }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts `commandLine`. Given an `output`, the process inherits `input`,
    // `output` and `error` as its standard handles; a show command (an SW_
    // value) is handed over as a shortcut hands it.
    bool Start(const std::string& commandLine, HANDLE input = nullptr, HANDLE output = nullptr,
               HANDLE error = nullptr, int showCommand = NO_SHOW_COMMAND)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        if (output != nullptr) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = input;
            startup.hStdOutput = output;
            startup.hStdError = error;
        }
        if (showCommand != NO_SHOW_COMMAND) {
            startup.dwFlags |= STARTF_USESHOWWINDOW;
            startup.wShowWindow = static_cast<WORD>(showCommand);
        }
        std::string line = commandLine;
        started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, output != nullptr, 0, nullptr, nullptr,
                                 &startup, &info) != FALSE;
        return started;
    }

    bool Started() const { return started; }
    DWORD Id() const { return info.dwProcessId; }
    bool Running() const { return started && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }

    // The exit code once the process has ended, or STILL_ACTIVE.
    DWORD WaitForExit(DWORD timeoutMs = WAIT_LIMIT_MS)
    {
        if (!started) return STILL_ACTIVE;
        WaitFor([this] { return !Running(); }, timeoutMs);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }

    void Kill()
    {
        if (!Running()) return;
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, WAIT_LIMIT_MS);
    }

    void End()
    {
        if (!started) return;
        Kill();
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        started = false;
    }

private:
    PROCESS_INFORMATION info = {};
    bool started = false;
};

// desktop-standin.exe, driven through its standard input; by default the
// one next to this executable.
class StandinProcess {
public:
    explicit StandinProcess(const std::string& arguments = "", const std::string& folder = TestFolder())
    {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        OwnedHandle childInput;
        OwnedHandle childOutput;
        if (!CreatePipe(childInput.Out(), input.Out(), &inheritable, 0) ||
            !CreatePipe(output.Out(), childOutput.Out(), &inheritable, 0)) {
            return;
        }
        SetHandleInformation(input.Get(), HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(output.Get(), HANDLE_FLAG_INHERIT, 0);
        process.Start("\"" + folder + "desktop-standin.exe\" " + arguments, childInput.Get(), childOutput.Get(),
                      GetStdHandle(STD_ERROR_HANDLE));
    }

    ~StandinProcess()
    {
        input.Close();   // end of input ends the stand-in
        process.WaitForExit();
    }

    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    Process& Handle() { return process; }

    // Writes one command line without waiting for the answer.
    bool Post(const std::string& command)
    {
        const std::string line = command + "\n";
        DWORD written = 0;
        return WriteFile(input.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) != FALSE;
    }

    // The next line the stand-in writes, or "(no answer)".
    std::string ReadLine()
    {
        std::string line = "(no answer)";
        WaitFor([&] {
            const size_t end = pending.find('\n');
            if (end != std::string::npos) {
                line = pending.substr(0, end);
                pending.erase(0, end + 1);
                return true;
            }
            DWORD available = 0;
            if (!PeekNamedPipe(output.Get(), nullptr, 0, nullptr, &available, nullptr)) return true;
            if (available > 0) {
                std::string chunk(available, '\0');
                DWORD got = 0;
                if (ReadFile(output.Get(), &chunk[0], available, &got, nullptr)) pending.append(chunk, 0, got);
            }
            return false;
        });
        return line;
    }

    std::string Send(const std::string& command) { return Post(command) ? ReadLine() : "(cannot send)"; }

    // "ok" once the stand-in has started, said "ready" and answered "ok" to
    // each of `commands`; otherwise what went wrong.
    std::string Prepare(std::initializer_list<const char*> commands)
    {
        if (!process.Started()) return "(not started)";
        const std::string greeting = ReadLine();
        if (greeting != "ready") return "greeting: " + greeting;
        for (const char* command : commands) {
            const std::string answer = Send(command);
            if (answer != "ok") return command + (": " + answer);
        }
        return "ok";
    }

private:
    OwnedHandle input;
    OwnedHandle output;
    Process process;
    std::string pending;
};

// The path of marrowtune-bubble.exe, in the folder above this executable's.
inline std::string ProgramPath()
{
    std::string folder = TestFolder();
    folder.erase(folder.size() - 1);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + "marrowtune-bubble.exe";
}

// The path of desktop-probe.exe, built beside the program.
inline std::string ProbePath()
{
    std::string path = ProgramPath();
    return path.replace(path.rfind("marrowtune-bubble.exe"), std::string::npos, "desktop-probe.exe");
}

// marrowtune-bubble.exe (or `program`, a build of the program's code made for
// measuring), started with `arguments` on its command line and, unless it is
// NO_SHOW_COMMAND, the show command `showCommand` (an SW_ value) handed over
// as a shortcut hands it.
class ProgramProcess {
public:
    explicit ProgramProcess(const std::string& arguments = "", int showCommand = NO_SHOW_COMMAND,
                            const std::string& program = ProgramPath())
    {
        process.Start("\"" + program + "\" " + arguments, nullptr, nullptr, nullptr, showCommand);
    }

    bool Started() const { return process.Started(); }
    bool Running() const { return process.Running(); }
    DWORD WaitForExit(DWORD timeoutMs = WAIT_LIMIT_MS) { return process.WaitForExit(timeoutMs); }

    // The program's visible bubble window, or null.
    HWND FindBubble() const
    {
        for (HWND window = FindWindowExA(nullptr, nullptr, BUBBLE_CLASS_NAME, nullptr); window;
             window = FindWindowExA(nullptr, window, BUBBLE_CLASS_NAME, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process.Id() && IsWindowVisible(window)) return window;
        }
        return nullptr;
    }

    HWND WaitForBubble()
    {
        HWND bubble = nullptr;
        WaitFor([&] {
            bubble = FindBubble();
            return bubble != nullptr || !Running();
        });
        return bubble;
    }

private:
    Process process;
};

// Whether `window`'s top-left corner reaches (x, y) within the wait limit.
inline bool WaitForPlace(HWND window, LONG x, LONG y)
{
    return WaitFor([&] {
        RECT bounds{};
        return GetWindowRect(window, &bounds) && bounds.left == x && bounds.top == y;
    });
}

}  // namespace processes
