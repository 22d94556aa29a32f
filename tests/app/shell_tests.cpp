// The shell in-process: class registration failure, the window before the
// bubble is built, move notifications, and the quiet end without an icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/presentation.h"
#include "bubble/bubble.h"
#include "kit/bubble_test_window.h"
#include "kit/button_input.h"

namespace {

constexpr char MESSAGE_BOX_CLASS[] = "#32770";
constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;

// Watches, from its construction on, for message boxes titled "Error" on the
// thread under test, records their text and closes them.
struct MessageBoxWatcher {
    std::atomic<bool> stop{false};
    std::atomic<int> boxesSeen{0};
    std::string text;
    std::thread thread;

    MessageBoxWatcher()
    {
        thread = std::thread([this] {
            HWND lastBox = nullptr;
            while (!stop) {
                const HWND box = FindWindowA(MESSAGE_BOX_CLASS, "Error");
                if (box && box != lastBox) {
                    char buffer[256] = {};
                    GetDlgItemTextA(box, MESSAGE_BOX_TEXT_ID, buffer, sizeof buffer);
                    text = buffer;
                    ++boxesSeen;
                    lastBox = box;
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                }
                Sleep(20);
            }
        });
    }
    void Finish()
    {
        stop = true;
        thread.join();
    }
};

}  // namespace

TEST(Shell, FailedClassRegistrationShowsOneMessageBoxAndSkipsGdiplus)
{
    // A class of that name already registered by this module makes the
    // program's own registration fail for real.
    ASSERT_TRUE(RegisterBubbleClass(GetModuleHandleA(nullptr)));

    MessageBoxWatcher watcher;
    const int exitCode = RunBubble(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    Sleep(300);  // room for a second box to appear, if one were shown
    watcher.Finish();

    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(1, watcher.boxesSeen.load());
    EXPECT_EQ("RegisterClassError!", watcher.text);
    EXPECT_EQ(0u, bubbleState.gdiplusToken) << "GDI+ must not have been started";
    EXPECT_EQ(nullptr, FindWindowA(BUBBLE_CLASS_NAME, nullptr));
}

TEST(Shell, WithoutTheIconCreationQuitsQuietlyAndShutsGdiplusDownOnce)
{
    const HWND window = CreateBubbleWindowForTest();
    ASSERT_NE(nullptr, window) << "WM_CREATE answers 1, which still creates the window";

    int exitCode = -1;
    EXPECT_TRUE(TakeQuitMessage(&exitCode));
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(1, gdiplusShutdowns);
    EXPECT_EQ(0, shellCounters.presentations);
    EXPECT_FALSE(BubbleBuilt());
    EXPECT_EQ(nullptr, bubbleState.canvasDC);
    EXPECT_EQ(nullptr, bubbleState.bubbleImageRight);
    // Made layered before the icon was looked for.
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST(Shell, BeforeTheBubbleIsBuiltMouseAndPaintGetDefaultHandlingOnly)
{
    const HWND window = CreateBubbleWindowForTest();
    ASSERT_NE(nullptr, window);
    TakeQuitMessage();

    const LPARAM point = MAKELPARAM(130, 40);
    EXPECT_EQ(DefWindowProcA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    SendClick(window, point);
    SendMessageA(window, WM_TIMER, TIMER_FADE_IN, 0);
    SendMessageA(window, WM_PAINT, 0, 0);

    EXPECT_EQ(0, shellCounters.presentations);
    EXPECT_EQ(0, bubbleState.pressStarted);
    EXPECT_EQ(0, bubbleState.alpha);
}

TEST(Shell, MoveNotificationsRecordSignedPositionsAndIgnoreZero)
{
    const HWND window = CreateBubbleWindowForTest();
    ASSERT_NE(nullptr, window);
    TakeQuitMessage();

    bubbleState.windowX = 11;
    bubbleState.windowY = 22;
    EXPECT_EQ(DefWindowProcA(window, WM_MOVE, 0, 0), SendMessageA(window, WM_MOVE, 0, 0));
    EXPECT_EQ(XY(11, 22), WindowAt());

    EXPECT_EQ(0, SendMessageA(window, WM_MOVE, 0, MAKELPARAM(0xFF38, 100)));
    EXPECT_EQ(XY(-200, 100), WindowAt());

    EXPECT_EQ(0, SendMessageA(window, WM_MOVE, 0, MAKELPARAM(640, 0xFFFF)));
    EXPECT_EQ(XY(640, -1), WindowAt());
}
