// Scaled copies and the zoom: sizes by the percentage formula, which source
// pixels COLORONCOLOR keeps (Wine's DIB engine keeps, of each run of source
// pixels falling on one target pixel, the last column and the first row),
// and where the zoom's frames land.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "imaging/DeviceBitmap.h"
#include "support/DrawSurface.h"
#include "effects/ZoomIn.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

namespace {

class ZoomInTest : public ::testing::Test {
protected:
    // A 10 x 10 image whose pixel (x, y) is index 20 + 10 y + x.
    void SetUp() override {
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                *grid.PixelAddress(x, y + 1) = BYTE(20 + 10 * y + x);
    }

    // Scales the grid to `percent` and checks which source column and row
    // each target pixel shows.
    void ExpectPicks(int percent, const std::vector<int>& columns, const std::vector<int>& rows) {
        DrawSurface surface(40, 40);
        DeviceBitmap* full = grid.ToDeviceBitmap(surface.Dc());
        ASSERT_NE(nullptr, full);
        DeviceBitmap scaled(surface.Dc(), full, percent);
        ASSERT_EQ(int(columns.size()), scaled.Width());
        ASSERT_EQ(int(rows.size()), scaled.Height());
        scaled.Draw(surface.Dc(), 0, 0);
        std::vector<DWORD> pixels = surface.Pixels();
        for (size_t j = 0; j < rows.size(); ++j)
            for (size_t i = 0; i < columns.size(); ++i)
                EXPECT_EQ(palette.Colour(20 + 10 * rows[j] + columns[i]),
                          surface.Pixel(pixels, int(i), int(j)))
                    << percent << "%: target (" << i << ", " << j << ") shows source column "
                    << columns[i] << ", row " << rows[j];
        delete full;
    }

    ShowPalette palette{4098, 256};
    IndexedImage grid{10, 10, 1, &palette};
};

TEST_F(ZoomInTest, ScaledCopiesTakeTheTruncatedPercentage) {
    IndexedImage logo(6000, &palette);
    ASSERT_EQ(485, logo.Width());
    ASSERT_EQ(29, logo.Height());
    DrawSurface surface(8, 8);
    DeviceBitmap* full = logo.ToDeviceBitmap(surface.Dc());
    ASSERT_NE(nullptr, full);
    DeviceBitmap fifth(surface.Dc(), full, 20);
    EXPECT_EQ(97, fifth.Width());
    EXPECT_EQ(5, fifth.Height());
    DeviceBitmap same(surface.Dc(), full, 100);
    EXPECT_EQ(485, same.Width());
    EXPECT_EQ(29, same.Height());
    DeviceBitmap larger(surface.Dc(), full, 150);
    EXPECT_EQ(727, larger.Width());
    EXPECT_EQ(43, larger.Height());
    DeviceBitmap nothing(surface.Dc(), full, 0);
    EXPECT_EQ(nullptr, nothing.Handle()) << "an empty copy has no bitmap";
    nothing.Draw(surface.Dc(), 0, 0);
    delete full;
}

TEST_F(ZoomInTest, ColorOnColorDropsColumnsAndRowsWithoutMixing) {
    ExpectPicks(100, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    ExpectPicks(50, {1, 3, 5, 7, 9}, {0, 2, 4, 6, 8});
    ExpectPicks(30, {2, 6, 9}, {0, 3, 7});
    ExpectPicks(70, {0, 2, 3, 5, 6, 8, 9}, {0, 1, 3, 4, 6, 7, 9});
    // Onto one column and row the source is narrowed by one first.
    ExpectPicks(10, {8}, {0});
}

TEST_F(ZoomInTest, TheLastFrameIsTheWholePictureCentred) {
    IndexedImage logo(6000, &palette);
    DrawSurface surface(600, 60);
    ZoomIn zoom(&logo, 20, 100, 40);
    zoom.Run(surface.Dc(), 300, 30, 0);
    std::vector<DWORD> pixels = surface.Pixels();
    int wrong = 0;
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 485; ++x)
            wrong += surface.Pixel(pixels, 300 - 242 + x, 30 - 14 + y) !=
                     palette.Colour(*logo.PixelAddress(x, y + 1));
    EXPECT_EQ(0, wrong) << "the full picture with its corner at (cx - 242, cy - 14)";
}

TEST_F(ZoomInTest, EqualPercentagesShowOneSizeAndNoFramesShowNothing) {
    IndexedImage logo(6000, &palette);
    DrawSurface surface(200, 40);
    surface.Fill(0x808080);
    ZoomIn none(&logo, 20, 100, 0);
    none.Run(surface.Dc(), 100, 20, 0);
    ZoomIn negative(&logo, 20, 100, -3);
    negative.Run(surface.Dc(), 100, 20, 0);
    EXPECT_EQ(0x808080u, surface.Pixels()[20 * 200 + 100]) << "no frame drawn";

    ZoomIn still(&logo, 20, 20, 5);
    still.Run(surface.Dc(), 100, 20, 0);
    std::vector<DWORD> pixels = surface.Pixels();
    EXPECT_EQ(0x808080u, surface.Pixel(pixels, 100 - 49, 20)) << "left of the 97 x 5 copy";
    EXPECT_EQ(0x808080u, surface.Pixel(pixels, 100 - 48 + 97, 20)) << "right of it";
    EXPECT_EQ(0x808080u, surface.Pixel(pixels, 100, 20 - 3)) << "above it";
    EXPECT_EQ(0x808080u, surface.Pixel(pixels, 100, 20 - 2 + 5)) << "below it";
}

}  // namespace
