// PNG pictures: failures to load, undecodable data, sizes and clones (the
// resource pictures at every scale are loaded in resource_tests.cpp).
#include <gtest/gtest.h>

#include "gfx/gfx.h"
#include "res/resource.h"
#include "kit/test_pictures.h"

using namespace testpictures;

namespace {

const char PNG_TYPE[] = "PNG";
constexpr int MISSING_ID = 999;

const Rgba HALF_BLUE{0, 0, 255, 128};

}  // namespace

TEST(PngImage, MissingResourceGivesAnEmptyImageWithAFailingStatus)
{
    struct Missing { int id; const char* type; };
    const Missing cases[] = {
        {MISSING_ID, PNG_TYPE},  // no such identifier
        {IDP_BUBBLE_RIGHT, "GIF"},  // no such type
        {IDI_APP, PNG_TYPE},  // the identifier exists, but as an icon
        {0, PNG_TYPE},
    };
    for (const Missing& missing : cases) {
        SCOPED_TRACE(testing::Message() << "resource " << missing.id << " of type " << missing.type);
        const OwnedPicture image(LoadPngResource(missing.id, missing.type));
        ASSERT_NE(image, nullptr) << "only an allocation failure gives no image";
        EXPECT_EQ(image->nativeImage, nullptr);
        EXPECT_NE(image->lastStatus, Gdiplus::Ok);
        image->lastStatus = Gdiplus::Ok;
        EXPECT_EQ(image->GetWidth(), 0u);
        EXPECT_NE(image->lastStatus, Gdiplus::Ok) << "a failed width query is recorded";
        image->lastStatus = Gdiplus::Ok;
        EXPECT_EQ(image->GetHeight(), 0u);
        EXPECT_NE(image->lastStatus, Gdiplus::Ok) << "a failed height query is recorded";
    }
}

TEST(PngImage, UndecodableDataLeavesTheNativeImageEmpty)
{
    const std::vector<BYTE> valid = EncodePng(2, 2, std::vector<Rgba>(4, RED));
    const std::vector<BYTE> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    const std::vector<BYTE> cut(valid.begin(), valid.begin() + 20);  // cut inside the header
    // Bytes that are no picture, a picture cut short, and no stream at all.
    for (PngImage* const undecodable : {DecodePng(text), DecodePng(cut), new PngImage(nullptr)}) {
        const OwnedPicture image(undecodable);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->nativeImage, nullptr);
        EXPECT_NE(image->lastStatus, Gdiplus::Ok);
        EXPECT_EQ(image->GetWidth(), 0u);
    }
}

TEST(PngImage, CloneOwnsACopyThatOutlivesTheSource)
{
    OwnedPicture source(PictureOf(2, 1, {RED, HALF_BLUE}));
    ASSERT_NE(source, nullptr);
    const OwnedPicture clone(source->Clone());
    ASSERT_NE(clone, nullptr);
    EXPECT_NE(clone->nativeImage, nullptr);
    EXPECT_NE(clone->nativeImage, source->nativeImage);
    EXPECT_EQ(clone->lastStatus, Gdiplus::Ok);
    EXPECT_EQ(source->lastStatus, Gdiplus::Ok);
    source.reset();

    EXPECT_EQ(clone->GetWidth(), 2u);
    EXPECT_EQ(clone->GetHeight(), 1u);
    Canvas canvas(2, -1);
    DrawPicture(canvas.dc, clone->nativeImage, 0, 0, 2, 1);
    EXPECT_EQ(canvas.Pixels().At(0, 0), Premultiplied(RED));
}

TEST(PngImage, CloneOfAnEmptyImageRecordsTheFailureInTheSource)
{
    const OwnedPicture source(LoadPngResource(MISSING_ID, PNG_TYPE));
    ASSERT_NE(source, nullptr);
    source->lastStatus = Gdiplus::Ok;
    const OwnedPicture clone(source->Clone());
    EXPECT_NE(source->lastStatus, Gdiplus::Ok);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->nativeImage, nullptr);
    EXPECT_NE(clone->lastStatus, Gdiplus::Ok);
}
