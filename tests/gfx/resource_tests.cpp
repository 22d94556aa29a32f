// The resources built into the executable: the five pictures at every scale,
// the icon and the version, all of them in Chinese (PRC).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

#include "gfx/gfx.h"
#include "kit/test_pictures.h"
#include "picture_scales.h"
#include "res/resource.h"

using namespace picturescales;

namespace {

constexpr LANGID CHINESE_PRC = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
struct PictureSize {
    int id;  // at 100 %
    int width, height;
};
constexpr PictureSize PICTURES[] = {{IDP_BUBBLE_RIGHT, 207, 75}, {IDP_BUBBLE_LEFT, 207, 75},
                                    {IDP_BUTTON_HOVER, 66, 24},  {IDP_BUTTON_NORMAL, 66, 24},
                                    {IDP_BUTTON_PRESSED, 66, 24}};
constexpr int VERSION_ID = 1;
constexpr DWORD FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD;

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count)
{
    ++*reinterpret_cast<size_t*>(count);
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

std::vector<WORD> LanguagesOf(LPCSTR type, int id)
{
    std::vector<WORD> found;
    EnumResourceLanguagesA(nullptr, type, MAKEINTRESOURCEA(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&found));
    return found;
}

// The bytes of a resource in Chinese (PRC), empty when there is none.
std::vector<BYTE> BytesOf(LPCSTR type, int id)
{
    const HRSRC info = FindResourceExA(nullptr, type, MAKEINTRESOURCEA(id), CHINESE_PRC);
    if (!info) return {};
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info)));
    if (!bytes) return {};
    return std::vector<BYTE>(bytes, bytes + SizeofResource(nullptr, info));
}

#pragma pack(push, 2)
struct IconGroupHeader { WORD reserved; WORD type; WORD count; };
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

}  // namespace

TEST(Resource, PicturesAtEveryScaleArePngResourcesOfTheirScaledSizeInChinesePrcOnly)
{
    size_t count = 0;
    EnumResourceNamesA(nullptr, "PNG", CountName, reinterpret_cast<LONG_PTR>(&count));
    EXPECT_EQ(count, std::size(DPIS) * std::size(PICTURES)) << "five pictures at each scale and no others";
    const BYTE PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (size_t scale = 0; scale < std::size(DPIS); ++scale) {
        for (const PictureSize& picture : PICTURES) {
            const int id = ScaledId(picture.id, static_cast<int>(scale));
            SCOPED_TRACE(testing::Message() << "picture " << id);
            EXPECT_EQ(LanguagesOf("PNG", id), std::vector<WORD>{CHINESE_PRC});
            const std::vector<BYTE> bytes = BytesOf("PNG", id);
            ASSERT_GT(bytes.size(), sizeof PNG_SIGNATURE);
            EXPECT_EQ(std::memcmp(bytes.data(), PNG_SIGNATURE, sizeof PNG_SIGNATURE), 0);
            const testpictures::OwnedPicture image(LoadPngResource(id, "PNG"));
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->GetWidth(), static_cast<UINT>(Scaled(picture.width, DPIS[scale])));
            EXPECT_EQ(image->GetHeight(), static_cast<UINT>(Scaled(picture.height, DPIS[scale])));
            EXPECT_EQ(image->lastStatus, Gdiplus::Ok) << "decoded, and the queries recorded no failure";
        }
    }
}

TEST(Resource, IconGroupHoldsOne32BitIconOf32By32InChinesePrc)
{
    EXPECT_EQ(LanguagesOf(RT_GROUP_ICON, IDI_APP), std::vector<WORD>{CHINESE_PRC});
    const std::vector<BYTE> group = BytesOf(RT_GROUP_ICON, IDI_APP);
    ASSERT_GE(group.size(), sizeof(IconGroupHeader) + sizeof(IconGroupEntry));
    IconGroupHeader header{};
    std::memcpy(&header, group.data(), sizeof header);
    ASSERT_EQ(header.count, 1);
    IconGroupEntry entry{};
    std::memcpy(&entry, group.data() + sizeof header, sizeof entry);
    EXPECT_EQ(entry.width, 32);
    EXPECT_EQ(entry.height, 32);
    EXPECT_EQ(entry.bitCount, 32);
    EXPECT_EQ(LanguagesOf(RT_ICON, entry.id), std::vector<WORD>{CHINESE_PRC});
    EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP)), nullptr);
}

TEST(Resource, VersionIs1_0_1_2InChinesePrc)
{
    EXPECT_EQ(LanguagesOf(RT_VERSION, VERSION_ID), std::vector<WORD>{CHINESE_PRC});
    const std::vector<BYTE> version = BytesOf(RT_VERSION, VERSION_ID);
    const BYTE* const signature = reinterpret_cast<const BYTE*>(&FIXED_FILE_INFO_SIGNATURE);
    const auto start = std::search(version.begin(), version.end(), signature, signature + sizeof(DWORD));
    VS_FIXEDFILEINFO fixed{};
    ASSERT_GE(version.end() - start, static_cast<std::ptrdiff_t>(sizeof fixed))
        << "no fixed file information in the version resource";
    std::memcpy(&fixed, &*start, sizeof fixed);
    EXPECT_EQ(fixed.dwFileVersionMS, MAKELONG(0, 1));  // 1.0
    EXPECT_EQ(fixed.dwFileVersionLS, MAKELONG(2, 1));  // .1.2
    EXPECT_EQ(fixed.dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed.dwProductVersionLS, MAKELONG(2, 1));

    // The "Translation" value: language 0x0804, code page 0x04B0 (Unicode).
    const wchar_t KEY[] = L"Translation";
    const BYTE* const key = reinterpret_cast<const BYTE*>(KEY);
    const auto at = std::search(version.begin(), version.end(), key, key + sizeof KEY);
    ASSERT_NE(at, version.end()) << "no translation in the version resource";
    constexpr size_t DWORD_ALIGN = sizeof(DWORD);
    const size_t valueOffset =
        (static_cast<size_t>(at - version.begin()) + sizeof KEY + DWORD_ALIGN - 1) / DWORD_ALIGN * DWORD_ALIGN;
    ASSERT_LE(valueOffset + 2 * sizeof(WORD), version.size());
    WORD translation[2] = {};
    std::memcpy(translation, version.data() + valueOffset, sizeof translation);
    EXPECT_EQ(translation[0], CHINESE_PRC);
    EXPECT_EQ(translation[1], 0x04B0);
}
