// The kinds of PNG and WebP a folder of photos holds: 16-bit grey, palette
// with transparency, alpha, interlacing. Fitted at their own size, so the
// numbers come through the resampler untouched and are checked exactly.
#include <gtest/gtest.h>

#include "TestPhotos.h"

namespace {

using makertest::Colour;
using makertest::PixelAt;

// The colours of 16-pixel bands, left to right, on every row.
void ExpectBands(const std::string& name, const std::vector<Colour>& bands) {
    SCOPED_TRACE(name);
    int width = int(bands.size()) * 16;
    makertest::Fitted f = makertest::FitNamed(name, width, 16);
    ASSERT_TRUE(f.ok) << f.why;
    EXPECT_DOUBLE_EQ(1.0, f.photo.enlargement);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(bands[size_t(x / 16)], PixelAt(f.photo.image, x, y)) << x << ", " << y;
}

TEST(PhotoKindsTest, GreyPaletteAndTransparentPicturesBecomeRgbOnBlack) {
    // 16-bit samples scaled (0, 16384, 49344, 65535 / 257, rounded).
    ExpectBands("grey16.png", {{0, 0, 0}, {64, 64, 64}, {192, 192, 192}, {255, 255, 255}});
    // Palette red, green, blue with tRNS alpha 0, 128, 255.
    ExpectBands("palette-trns.png", {{0, 0, 0}, {0, 128, 0}, {0, 0, 255}});
    // (200, 100, 50) at alpha 255, 0 and 128: the colour times alpha / 255.
    ExpectBands("rgba.png", {{200, 100, 50}, {0, 0, 0}, {100, 50, 25}});
    ExpectBands("alpha.webp", {{200, 100, 50}, {0, 0, 0}, {100, 50, 25}});
}

TEST(PhotoKindsTest, InterlacedPngGivesEveryPixelInPlace) {
    std::vector<unsigned char> noise = makertest::ReadPhoto("noise.bin");
    makertest::Fitted f = makertest::FitNamed("interlaced.png", 37, 23);
    ASSERT_TRUE(f.ok) << f.why;
    EXPECT_EQ(noise, f.photo.image.pixels);
}

}  // namespace
