// The conversion of accessible names to the ANSI form in which they are compared.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "locator/ansi_name.h"
#include "locator/locator.h"
#include "tests/locator/locator_test_support.h"
#include "kit/standin_desktop.h"
#include "kit/process_support.h"

namespace {

constexpr UINT UNKNOWN_CODE_PAGE = 12345;
constexpr UINT WESTERN_CODE_PAGE = 1252;
constexpr int LONG_NAME_REPEATS = 100;

// "桌面气泡图标" (desktop bubble icon): six UTF-16 units, three UTF-8 bytes each.
constexpr const wchar_t* CJK_NAME = L"\u684c\u9762\u6c14\u6ce1\u56fe\u6807";
constexpr const char* CJK_NAME_UTF8 =
    "\xe6\xa1\x8c\xe9\x9d\xa2\xe6\xb0\x94\xe6\xb3\xa1\xe5\x9b\xbe\xe6\xa0\x87";

// Under Wine a process takes its locale from its host environment, and a
// locale without an ANSI code page of its own (Hindi) gets UTF-8 as its ANSI
// code page; so this executable is started again through the host's `env`.
constexpr char UTF8_RUN_PREFIX[] = "Z:\\usr\\bin\\env LC_ALL=hi_IN.UTF-8 MARROWTUNE_UTF8_RUN=1 wine ";
constexpr char UTF8_RUN_VARIABLE[] = "MARROWTUNE_UTF8_RUN";

// Runs the current case again in a process whose ANSI code page is UTF-8:
// it must run there, once, and pass. Wine does not follow a process of the
// host, so its end is seen in the report it writes last.
testing::AssertionResult PassesUnderAUtf8CodePage()
{
    const testing::TestInfo* const test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string report = processes::TestFolder() + "utf8_run.xml";
    DeleteFileA(report.c_str());
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    processes::Process run;
    if (!run.Start(std::string(UTF8_RUN_PREFIX) + "\"" + self + "\" --gtest_filter=" + test->test_suite_name() +
                   "." + test->name() + " --gtest_output=xml:" + report)) {
        return testing::AssertionFailure() << "the run under UTF-8 did not start";
    }
    std::string text;
    processes::WaitFor([&] {
        std::stringstream content;
        content << std::ifstream(report).rdbuf();
        text = content.str();
        return text.find("</testsuites>") != std::string::npos;
    });
    if (text.find("tests=\"1\" failures=\"0\"") != std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the run under UTF-8 reported: " << text;
}

}  // namespace

TEST(AnsiName, NullNameGivesNullAndOtherNamesACopy)
{
    EXPECT_EQ(ToAnsiName(nullptr), nullptr);
    EXPECT_STREQ(ToAnsiName(L"marrowtune").get(), "marrowtune");
    EXPECT_STREQ(ToAnsiName(L"").get(), "");
}

// Where the ANSI code page is UTF-8, a CJK name needs three bytes per UTF-16
// unit (a buffer of two per unit plus two would overflow) and takes no
// best-fit flag; it must still convert, and the icon behind it be found.
TEST(AnsiName, UnderAUtf8AnsiCodePageCjkNamesConvertAndTheIconBehindThemIsFound)
{
    if (GetACP() != CP_UTF8) {
        ASSERT_EQ(nullptr, std::getenv(UTF8_RUN_VARIABLE)) << "the ANSI code page did not become UTF-8";
        EXPECT_TRUE(PassesUnderAUtf8CodePage());
        return;
    }
    EXPECT_STREQ(ToAnsiName(CJK_NAME).get(), CJK_NAME_UTF8);
    std::wstring longName;
    std::string longNameUtf8;
    for (int i = 0; i < LONG_NAME_REPEATS; ++i) {
        longName += CJK_NAME;
        longNameUtf8 += CJK_NAME_UTF8;
    }
    EXPECT_EQ(std::string(ToAnsiName(longName.c_str()).get()), longNameUtf8);

    standin::Desktop desktop;
    desktop.Add(standin::MakeItem(longNameUtf8, {20, 10, 95, 80}));
    desktop.Add(standin::MakeItem(std::string("marrowtune"), {20, 100, 95, 170}));
    IconRect rect{};
    EXPECT_TRUE(LocateDesktopIcon("marrowtune", rect));
    EXPECT_EQ(rect, (IconRect{20, 100, 95, 170}));
}

// Windows refuses any flag but WC_ERR_INVALID_CHARS for UTF-8 and UTF-7
// (ERROR_INVALID_FLAGS); Wine 8 accepts it, so the flags are read here.
TEST(AnsiName, OnlyCodePagesThatTakeFlagsGetTheBestFitFlag)
{
    EXPECT_EQ(AnsiNameFlags(CP_UTF8), 0u);
    EXPECT_EQ(AnsiNameFlags(CP_UTF7), 0u);
    EXPECT_EQ(AnsiNameFlags(WESTERN_CODE_PAGE), static_cast<DWORD>(WC_NO_BEST_FIT_CHARS));
}

TEST(AnsiName, FailedConversionThrows)
{
    EXPECT_THROW(ToAnsiName(L"marrowtune", UNKNOWN_CODE_PAGE), std::runtime_error);
}
