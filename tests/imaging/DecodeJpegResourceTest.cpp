// Decoding picture resources into show-palette indices, checked against the
// indices libjpeg's own djpeg gives with the same colour map and dithering.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/PictureCatalogue.h"
#include "support/ReferenceBmp.h"
#include "imaging/DecodeJpegResource.h"
#include "imaging/ShowPalette.h"

namespace {

class DecodeJpegResourceTest : public ::testing::Test {
protected:
    ShowPalette palette{4098, 256};
};

int StrideOf(int width) {
    return (width + 3) / 4 * 4;
}

TEST_F(DecodeJpegResourceTest, EveryPictureGivesTheLibraryIndicesBottomUp) {
    const std::string dir = ReferenceDir();
    for (const CataloguePicture& picture : kPictures) {
        SCOPED_TRACE("picture " + std::to_string(picture.id));
        int width = -1, height = -1;
        BYTE* buffer = DecodeJpegResource(WORD(picture.id), &width, &height, &palette);
        ASSERT_NE(nullptr, buffer);
        EXPECT_EQ(picture.width, width);
        EXPECT_EQ(picture.height, height);
        if (!dir.empty()) {
            ReferenceBmp reference;
            ASSERT_TRUE(
                ReadReferenceBmp(dir + "/" + std::to_string(picture.id) + ".bmp", &reference));
            ASSERT_EQ(width, reference.width);
            ASSERT_EQ(height, reference.height);
            ASSERT_EQ(StrideOf(width), reference.stride);
            int differing = 0;
            for (int row = 0; row < height; ++row)
                for (int x = 0; x < width; ++x)
                    differing += buffer[row * reference.stride + x] !=
                                 reference.pixels[size_t(row) * size_t(reference.stride) + x];
            EXPECT_EQ(0, differing) << "pixels differing from djpeg's";
        }
        GlobalFree(buffer);
    }
}

TEST_F(DecodeJpegResourceTest, StrideRoundsTheWidthUpToFourAndLeavesTenSpareBytes) {
    int width = 0, height = 0;
    BYTE* buffer = DecodeJpegResource(1001, &width, &height, &palette);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(211, width);
    EXPECT_EQ(212, StrideOf(width));
    // The spare bytes belong to the block: writing them is safe.
    buffer[212 * 250 + 9] = 0;
    GlobalFree(buffer);

    buffer = DecodeJpegResource(7002, &width, &height, &palette);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(6, width);
    EXPECT_EQ(9, height);
    buffer[8 * 9 + 9] = 0;
    GlobalFree(buffer);
}

TEST_F(DecodeJpegResourceTest, GreyPicturesGiveShowPaletteIndices) {
    int width = 0, height = 0;
    BYTE* buffer = DecodeJpegResource(6000, &width, &height, &palette);
    ASSERT_NE(nullptr, buffer);
    // Light lettering on black: the colours behind the indices must be
    // greys or near-greys of the palette, dark and light both present.
    int dark = 0, light = 0;
    long tint = 0;
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            int i = buffer[row * StrideOf(width) + x];
            int r = palette.Red(i), g = palette.Green(i), b = palette.Blue(i);
            tint += std::abs(r - g) + std::abs(g - b);
            int level = (r + g + b) / 3;
            dark += level < 40;
            light += level > 160;
        }
    }
    EXPECT_GT(dark, width * height / 2);
    EXPECT_GT(light, 50);
    EXPECT_LT(double(tint) / (width * height), 8.0) << "mean channel spread of the decoded colours";
    GlobalFree(buffer);
}

TEST_F(DecodeJpegResourceTest, MissingResourceGivesNullAndLeavesTheSizeAlone) {
    int width = -7, height = -9;
    EXPECT_EQ(nullptr, DecodeJpegResource(7999, &width, &height, &palette));
    EXPECT_EQ(-7, width);
    EXPECT_EQ(-9, height);
}

TEST_F(DecodeJpegResourceTest, PictureCutShortStillDecodesToFullSize) {
    int width = 0, height = 0;
    BYTE* buffer = DecodeJpegResource(7001, &width, &height, &palette);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(64, width);
    EXPECT_EQ(48, height);
    GlobalFree(buffer);
}

TEST_F(DecodeJpegResourceTest, ResourcesThatAreNoPictureGiveNull) {
    int width = 0, height = 0;
    EXPECT_EQ(nullptr, DecodeJpegResource(7003, &width, &height, &palette)) << "text";
    EXPECT_EQ(nullptr, DecodeJpegResource(7005, &width, &height, &palette)) << "corrupt frame";
    EXPECT_EQ(nullptr, DecodeJpegResource(7006, &width, &height, &palette)) << "no tables";
    EXPECT_EQ(nullptr, DecodeJpegResource(4098, &width, &height, &palette)) << "the palette";
}

TEST_F(DecodeJpegResourceTest, HeaderClaimingAHugePictureGivesNull) {
    int width = 0, height = 0;
    EXPECT_EQ(nullptr, DecodeJpegResource(7004, &width, &height, &palette));
    EXPECT_EQ(65500, width);
    EXPECT_EQ(65500, height);
}

TEST_F(DecodeJpegResourceTest, PaletteWithoutEntriesGivesNull) {
    ShowPalette empty(4098, 0);
    int width = 0, height = 0;
    EXPECT_EQ(nullptr, DecodeJpegResource(7000, &width, &height, &empty));
}

TEST_F(DecodeJpegResourceTest, NoLibraryMessageReachesStdoutOrStderr) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int width = 0, height = 0;
    for (int id : {7001, 7003, 7004, 7005, 7006}) {
        BYTE* buffer = DecodeJpegResource(WORD(id), &width, &height, &palette);
        if (buffer != nullptr)
            GlobalFree(buffer);
    }
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ("", out);
    EXPECT_EQ("", err);
}

}  // namespace
