// Photos turned upright by every EXIF orientation and fitted by the crop
// rule, letterboxed, enlarged, resampled exactly as Pillow's Lanczos did
// before, and refused with a reason when they cannot be used.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestPhotos.h"

namespace {

using makertest::Colour;
using makertest::FitNamed;
using makertest::MeanAround;
using makertest::Near;

const Colour kGreen = {0, 200, 0}, kBlue = {0, 0, 230}, kYellow = {230, 230, 0},
             kMagenta = {230, 0, 230}, kRed = {255, 0, 0};

// The test scene (400 x 200, red bands 50 wide at both ends, quadrants
// inside) covering 160 x 120 keeps the middle 267 columns: no red, each
// quadrant in its corner.
void ExpectSceneUpright(const std::string& name, int tolerance) {
    SCOPED_TRACE(name);
    makertest::Fitted f = FitNamed(name, 160, 120);
    ASSERT_TRUE(f.ok) << f.why;
    const maker::RgbImage& image = f.photo.image;
    EXPECT_TRUE(Near(MeanAround(image, 40, 30), kGreen, tolerance));
    EXPECT_TRUE(Near(MeanAround(image, 120, 30), kBlue, tolerance));
    EXPECT_TRUE(Near(MeanAround(image, 40, 90), kYellow, tolerance));
    EXPECT_TRUE(Near(MeanAround(image, 120, 90), kMagenta, tolerance));
    int red = 0;
    for (int y = 0; y < 120; ++y)
        for (int x : {0, 1, 158, 159}) {
            Colour c = makertest::PixelAt(image, x, y);
            red += c[0] > 200 && c[1] < 80 && c[2] < 80;
        }
    EXPECT_EQ(0, red) << "pixels of the cropped-away bands at the edges";
    EXPECT_DOUBLE_EQ(0.6, f.photo.enlargement);
}

TEST(FitPhotoTest, EveryOrientationLandsUprightWithTheCropAroundTheCentre) {
    for (int n = 1; n <= 8; ++n)
        ExpectSceneUpright("orient-" + std::to_string(n) + ".jpg", 12);
    ExpectSceneUpright("orient-6.png", 2);
    ExpectSceneUpright("orient-8.webp", 2);
    ExpectSceneUpright("lossy.webp", 16);
}

TEST(FitPhotoTest, ContainLetterboxesTheUprightPhotoOnBlack) {
    makertest::Fitted f = FitNamed("orient-6.jpg", 160, 160, maker::Fit::Contain);
    ASSERT_TRUE(f.ok) << f.why;
    const maker::RgbImage& image = f.photo.image;
    // 400 x 200 at 0.4 is 160 x 80, rows 40 to 119.
    for (int y : {0, 39, 120, 159})
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ((Colour{0, 0, 0}), makertest::PixelAt(image, x, y)) << x << ", " << y;
    EXPECT_TRUE(Near(MeanAround(image, 8, 80, 2), kRed, 12));
    EXPECT_TRUE(Near(MeanAround(image, 50, 60), kGreen, 12));
    EXPECT_TRUE(Near(MeanAround(image, 110, 100), kMagenta, 12));
    EXPECT_DOUBLE_EQ(0.4, f.photo.enlargement);
}

TEST(FitPhotoTest, PhotosFarSmallerThanTheirSlotAreEnlargedAndSaySo) {
    makertest::Fitted f = FitNamed("tiny.jpg", 640, 480);
    ASSERT_TRUE(f.ok) << f.why;
    EXPECT_DOUBLE_EQ(16.0, f.photo.enlargement);
    EXPECT_TRUE(Near(MeanAround(f.photo.image, 160, 120), kGreen, 16));
    EXPECT_TRUE(Near(MeanAround(f.photo.image, 480, 360), kMagenta, 16));
}

// Pillow's own fits of the same photo, as the photos were fitted before.
TEST(FitPhotoTest, FitsGivePillowsLanczosNumbers) {
    std::vector<unsigned char> photo = makertest::ReadPhoto("reference.png");
    struct Case {
        const char* fit;
        int width, height;
    };
    for (Case c : {Case{"cover", 640, 480}, Case{"cover", 171, 95}, Case{"cover", 2000, 300},
                   Case{"contain", 211, 250}, Case{"contain", 6, 290}}) {
        std::string name = std::string("reference-") + c.fit + "-" + std::to_string(c.width) + "x" +
                           std::to_string(c.height) + ".ppm";
        SCOPED_TRACE(name);
        std::vector<unsigned char> ppm = makertest::ReadPhoto(name);
        std::string header =
            "P6\n" + std::to_string(c.width) + " " + std::to_string(c.height) + "\n255\n";
        ASSERT_EQ(header.size() + size_t(c.width) * size_t(c.height) * 3, ppm.size());
        maker::Fit fit = std::string(c.fit) == "cover" ? maker::Fit::Cover : maker::Fit::Contain;
        makertest::Fitted f = makertest::FitBytes(photo, c.width, c.height, fit);
        ASSERT_TRUE(f.ok) << f.why;
        size_t differing = 0;
        for (size_t i = 0; i < f.photo.image.pixels.size(); ++i)
            differing += f.photo.image.pixels[i] != ppm[header.size() + i];
        EXPECT_EQ(0u, differing) << "samples differing from Pillow's";
    }
}

TEST(FitPhotoTest, UnusablePhotosAreRefusedWithAReasonAPersonCanRead) {
    struct Case {
        const char* name;
        const char* reason;
    };
    for (Case c : {Case{"truncated.jpg", "damaged: the file ends early"},
                   Case{"truncated.png", "damaged: "}, Case{"truncated.webp", "damaged: "},
                   Case{"corrupt.png", "damaged: "}, Case{"notes.txt", "not a picture"},
                   Case{"bomb.jpg", "claims 200 megapixels (more than 150)"},
                   Case{"bomb.png", "claims 200 megapixels (more than 150)"}}) {
        makertest::Fitted f = FitNamed(c.name, 160, 120);
        EXPECT_FALSE(f.ok) << c.name;
        EXPECT_EQ(0u, f.why.find(c.reason)) << c.name << ": " << f.why;
        EXPECT_EQ(std::string::npos, f.why.find('\n')) << c.name << ": " << f.why;
    }
    makertest::Fitted f = makertest::FitBytes({}, 160, 120);
    EXPECT_EQ("not a picture", f.why);
    f = FitNamed("tiny.jpg", 0, 120);
    EXPECT_FALSE(f.ok);
    EXPECT_EQ("a slot of 0 x 120 pixels cannot be filled", f.why);
}

}  // namespace
