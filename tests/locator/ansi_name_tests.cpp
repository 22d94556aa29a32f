// The conversion of accessible names to the ANSI form in which they are compared.
#include <gtest/gtest.h>

#include <string>

#include "locator/ansi_name.h"

namespace {

constexpr UINT UNKNOWN_CODE_PAGE = 12345;
constexpr int LONG_NAME_REPEATS = 100;

// "桌面气泡图标" (desktop bubble icon): six UTF-16 units, three UTF-8 bytes each.
constexpr const wchar_t* CJK_NAME = L"\u684c\u9762\u6c14\u6ce1\u56fe\u6807";
constexpr const char* CJK_NAME_UTF8 =
    "\xe6\xa1\x8c\xe9\x9d\xa2\xe6\xb0\x94\xe6\xb3\xa1\xe5\x9b\xbe\xe6\xa0\x87";

}  // namespace

TEST(AnsiName, NullNameGivesNullAndOtherNamesACopy)
{
    EXPECT_EQ(ToAnsiName(nullptr), nullptr);
    EXPECT_STREQ(ToAnsiName(L"marrowtune").get(), "marrowtune");
    EXPECT_STREQ(ToAnsiName(L"").get(), "");
}

// A buffer of two bytes per UTF-16 unit plus two would not hold these: where
// the ANSI code page is UTF-8, such a name must still convert.
TEST(AnsiName, FitsNamesNeedingThreeBytesPerUnit)
{
    EXPECT_STREQ(ToAnsiName(CJK_NAME, CP_UTF8).get(), CJK_NAME_UTF8);

    std::wstring longName;
    std::string longNameUtf8;
    for (int i = 0; i < LONG_NAME_REPEATS; ++i) {
        longName += CJK_NAME;
        longNameUtf8 += CJK_NAME_UTF8;
    }
    const AnsiName converted = ToAnsiName(longName.c_str(), CP_UTF8);
    EXPECT_EQ(std::string(converted.get()), longNameUtf8);
}

TEST(AnsiName, FailedConversionThrows)
{
    EXPECT_THROW(ToAnsiName(L"marrowtune", UNKNOWN_CODE_PAGE), std::runtime_error);
}
