// desktop-probe.exe against a stand-in desktop in this process: what it
// prints of the desktop's windows, items and the bubble's place.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kit/standin_desktop.h"
#include "kit/process_support.h"

namespace {

// Runs desktop-probe.exe (beside the program) with its standard output in a
// file, serving the stand-in meanwhile; what it printed.
std::string RunProbe()
{
    const std::string outputPath = processes::TestFolder() + "desktop-probe-output.txt";
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return "(cannot create " + outputPath + ")";
    const std::string program = processes::ProbePath();
    processes::Process probe;
    const bool started = probe.Start("\"" + program + "\"", nullptr, output, output);
    CloseHandle(output);
    if (!started) return "(cannot start " + program + ")";
    const DWORD exitCode = probe.WaitForExit();
    std::ifstream file(outputPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf() << "exit code " << exitCode << "\n";
    return text.str();
}

// Whether `output` holds `text`; a failure shows the whole output.
testing::AssertionResult Holds(const std::string& output, const std::string& text)
{
    if (output.find(text) != std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no \"" << text << "\" in:\n" << output;
}

}  // namespace

TEST(DesktopProbe, PrintsTheWindowsTheItemsAsTheyAnswerAndTheBubblesPlaceOnEitherSide)
{
    standin::Desktop desktop;
    desktop.Add(standin::MakeItem(std::string("readme.txt"), RECT{20, 10, 95, 80}));
    const size_t icon = desktop.Add(standin::MakeItem(std::string("marrowtune"), RECT{20, 100, 95, 170}));

    const std::string firstRun = RunProbe();
    const std::vector<std::string> expectedLines = {
        "dpi awareness: per-monitor aware",
        "monitor 0: ",
        "\"Progman\"",
        "\"SHELLDLL_DefView\"",
        "\"SysListView32\" \"FolderView\"",
        "item 0: \"readme.txt\" accLocation 20, 10, 75 x 70 (0x00000000) monitor 0",
        "item 1: \"marrowtune\" accLocation 20, 100, 75 x 70 (0x00000000) monitor 0",
        "items: 2 reported, 2 named simple elements",
        "bubble: icon (20, 100)-(95, 170) on monitor 0, work area (0, 0)-(800, 600), dpi 96 (100 %): right side at "
        "(85, 100), 207 x 75",
        "z-order: directly above the desktop's window",
        "exit code 0\n",
    };
    for (const std::string& line : expectedLines) EXPECT_TRUE(Holds(firstRun, line));

    standin::Item& item = desktop.At(icon);
    item.left = 700;
    item.top = 300;
    desktop.Update();
    EXPECT_TRUE(Holds(RunProbe(), "bubble: icon (700, 300)-(775, 370) on monitor 0, work area (0, 0)-(800, 600), "
                                  "dpi 96 (100 %): left side at (503, 300)"));

    desktop.Remove(icon);
    EXPECT_TRUE(Holds(RunProbe(), "bubble: no icon named \"marrowtune\""));
}
