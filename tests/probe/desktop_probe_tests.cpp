// desktop-probe.exe against a stand-in desktop in this process: what it
// prints of the desktop's windows, items and the bubble's place.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/standin/standin_desktop.h"
#include "tests/support/process_support.h"

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
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::string program = processes::ProgramPath();
    program.replace(program.rfind("marrowtune-bubble.exe"), std::string::npos, "desktop-probe.exe");
    processes::Process probe;
    const bool started = probe.Start("\"" + program + "\"", startup, TRUE);
    CloseHandle(output);
    if (!started) return "(cannot start " + program + ")";
    const DWORD exitCode = probe.WaitForExit();
    std::ifstream file(outputPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf() << "exit code " << exitCode << "\n";
    return text.str();
}

}  // namespace

TEST(DesktopProbe, PrintsTheWindowsTheItemsAsTheyAnswerAndTheBubblesPlaceOnEitherSide)
{
    standin::Desktop desktop;
    desktop.Add(standin::MakeItem(std::string("readme.txt"), RECT{20, 10, 95, 80}));
    const size_t icon = desktop.Add(standin::MakeItem(std::string("marrowtune"), RECT{20, 100, 95, 170}));

    const std::string width = std::to_string(GetSystemMetrics(SM_CXFULLSCREEN));
    std::string output = RunProbe();
    EXPECT_NE(std::string::npos, output.find("dpi awareness: ")) << output;
    EXPECT_NE(std::string::npos, output.find("SM_CXFULLSCREEN " + width)) << output;
    EXPECT_NE(std::string::npos, output.find("monitor 0: ")) << output;
    EXPECT_NE(std::string::npos, output.find("\"Progman\"")) << output;
    EXPECT_NE(std::string::npos, output.find("\"SHELLDLL_DefView\"")) << output;
    EXPECT_NE(std::string::npos, output.find("\"SysListView32\" \"FolderView\"")) << output;
    EXPECT_NE(std::string::npos, output.find("item 0: \"readme.txt\" accLocation 20, 10, 75 x 70 (0x00000000)"))
        << output;
    EXPECT_NE(std::string::npos, output.find("item 1: \"marrowtune\" accLocation 20, 100, 75 x 70 (0x00000000)"))
        << output;
    EXPECT_NE(std::string::npos, output.find("items: 2 reported, 2 named simple elements")) << output;
    EXPECT_NE(std::string::npos,
              output.find("bubble: icon (20, 100)-(95, 170), screen width " + width +
                          ": right side at (85, 100), 207 x 75"))
        << output;
    EXPECT_NE(std::string::npos, output.find("exit code 0\n")) << output;

    standin::Item& item = desktop.At(icon);
    item.left = 700;
    item.top = 300;
    desktop.Update();
    output = RunProbe();
    EXPECT_NE(std::string::npos,
              output.find("bubble: icon (700, 300)-(775, 370), screen width " + width +
                          ": left side at (503, 300)"))
        << output;

    desktop.Remove(icon);
    output = RunProbe();
    EXPECT_NE(std::string::npos, output.find("bubble: no icon named \"marrowtune\"")) << output;
}
