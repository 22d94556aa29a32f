// The locator in this process against the stand-in desktop running as a
// process of its own (desktop-standin.exe), as the product meets the shell.
#include <gtest/gtest.h>

#include <string>

#include "locator/locator.h"
#include "tests/locator/locator_test_support.h"
#include "tests/standin/standin_desktop.h"

namespace {

constexpr const char* STANDIN_EXE = "desktop-standin.exe";
constexpr DWORD WAIT_LIMIT_MS = 20000;   // generous: a failure must not hang
constexpr DWORD POLL_MS = 10;
constexpr const char* TARGET = "marrowtune";

// A pipe handle closed when it goes out of scope.
class Handle {
public:
    Handle() = default;
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE* Out() { return &handle; }
    HANDLE Get() const { return handle; }
    void Close()
    {
        if (handle != nullptr) {
            CloseHandle(handle);
            handle = nullptr;
        }
    }
private:
    HANDLE handle = nullptr;
};

// desktop-standin.exe, started next to this test executable with its stdin
// and stdout on pipes. Every wait is bounded; the process is ended on the
// way out whatever happened.
class StandinProcess {
public:
    explicit StandinProcess(const std::string& arguments)
    {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        Handle childInput;
        Handle childOutput;
        if (!CreatePipe(childInput.Out(), input.Out(), &inheritable, 0)
            || !CreatePipe(output.Out(), childOutput.Out(), &inheritable, 0)) {
            return;
        }
        SetHandleInformation(input.Get(), HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(output.Get(), HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childInput.Get();
        startup.hStdOutput = childOutput.Get();
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string commandLine = "\"" + ExecutablePath() + "\" " + arguments;
        started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &process) != 0;
    }

    ~StandinProcess()
    {
        if (!started) {
            return;
        }
        input.Close();   // end of input ends the stand-in
        if (WaitForSingleObject(process.hProcess, WAIT_LIMIT_MS) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, WAIT_LIMIT_MS);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    bool Started() const { return started; }

    // The next line the stand-in writes, or "(no answer)" when none comes.
    std::string ReadLine()
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < WAIT_LIMIT_MS) {
            const size_t end = pending.find('\n');
            if (end != std::string::npos) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                return line;
            }
            DWORD available = 0;
            if (!PeekNamedPipe(output.Get(), nullptr, 0, nullptr, &available, nullptr)) {
                break;   // the stand-in has gone and the pipe is drained
            }
            if (available == 0) {
                Sleep(POLL_MS);
                continue;
            }
            std::string chunk(available, '\0');
            DWORD got = 0;
            if (!ReadFile(output.Get(), &chunk[0], available, &got, nullptr)) {
                break;
            }
            pending.append(chunk, 0, got);
        }
        return "(no answer)";
    }

    // Sends one command line and returns the stand-in's answer.
    std::string Send(const std::string& command)
    {
        const std::string line = command + "\n";
        DWORD written = 0;
        if (!WriteFile(input.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
            return "(cannot send)";
        }
        return ReadLine();
    }

    bool Exited()
    {
        return WaitForSingleObject(process.hProcess, WAIT_LIMIT_MS) == WAIT_OBJECT_0;
    }

private:
    static std::string ExecutablePath()
    {
        char path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string folder(path, length);
        const size_t slash = folder.find_last_of("\\/");
        folder.erase(slash == std::string::npos ? 0 : slash + 1);
        return folder + STANDIN_EXE;
    }

    Handle input;
    Handle output;
    PROCESS_INFORMATION process{};
    bool started = false;
    std::string pending;
};

bool Locate(const std::string& name, IconRect& rect)
{
    rect = IconRect{};
    return LocateDesktopIcon(name, rect);
}

}  // namespace

TEST(LocatorCrossProcess, FindsIconServedByAnotherProcess)
{
    ASSERT_EQ(standin::DescribeForeignShellWindows(), "");
    StandinProcess standin("");
    ASSERT_TRUE(standin.Started());
    ASSERT_EQ(standin.ReadLine(), "ready");
    ASSERT_EQ(standin.Send("add marrowtune 20 100 95 170"), "ok");

    IconRect rect{};
    EXPECT_TRUE(LocateDesktopIcon(TARGET, rect));
    EXPECT_EQ(rect, (IconRect{20, 100, 95, 170}));

    EXPECT_EQ(standin.Send("quit"), "ok");
    EXPECT_TRUE(standin.Exited());
}

// The commands the end-to-end tests use change what the locator sees.
TEST(LocatorCrossProcess, FollowsTheDesktopAsItChanges)
{
    ASSERT_EQ(standin::DescribeForeignShellWindows(), "");
    StandinProcess standin("--workerw");
    ASSERT_TRUE(standin.Started());
    ASSERT_EQ(standin.ReadLine(), "ready");
    ASSERT_EQ(standin.Send("add \"Recycle Bin\" 20 10 95 80"), "ok");
    ASSERT_EQ(standin.Send("add marrowtune 20 100 95 170"), "ok");
    IconRect rect{};

    ASSERT_EQ(standin.Send("move marrowtune 300 200 375 270"), "ok");
    EXPECT_TRUE(Locate(TARGET, rect));
    EXPECT_EQ(rect, (IconRect{300, 200, 375, 270}));
    EXPECT_TRUE(Locate("Recycle Bin", rect));
    EXPECT_EQ(rect, (IconRect{20, 10, 95, 80}));

    ASSERT_EQ(standin.Send("hide"), "ok");
    EXPECT_FALSE(Locate(TARGET, rect));
    ASSERT_EQ(standin.Send("show"), "ok");
    EXPECT_TRUE(Locate(TARGET, rect));

    ASSERT_EQ(standin.Send("destroy"), "ok");
    EXPECT_FALSE(Locate(TARGET, rect));
    ASSERT_EQ(standin.Send("recreate"), "ok");
    EXPECT_TRUE(Locate(TARGET, rect));
    EXPECT_EQ(rect, (IconRect{300, 200, 375, 270}));

    ASSERT_EQ(standin.Send("rename marrowtune Marrowtune"), "ok");
    EXPECT_FALSE(Locate(TARGET, rect));
    ASSERT_EQ(standin.Send("rename Marrowtune marrowtune"), "ok");
    ASSERT_EQ(standin.Send("remove marrowtune"), "ok");
    EXPECT_FALSE(Locate(TARGET, rect));

    EXPECT_EQ(standin.Send("quit"), "ok");
    EXPECT_TRUE(standin.Exited());
}
