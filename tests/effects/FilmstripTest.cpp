// Filmstrips cut from tall pictures: frame bands, what a played sequence
// leaves on the screen, and the last frame copied into an image.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/DrawSurface.h"
#include "effects/Filmstrip.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

namespace {

class FilmstripTest : public ::testing::Test {
protected:
    // True when the surface shows rows top .. top + rows - 1 of `strip` at (x, y).
    ::testing::AssertionResult Shows(DrawSurface& surface, IndexedImage& strip, int top, int rows,
                                     int x, int y) {
        std::vector<DWORD> pixels = surface.Pixels();
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < strip.Width(); ++c) {
                DWORD expected = palette.Colour(*strip.PixelAddress(c, top + r + 1));
                if (surface.Pixel(pixels, x + c, y + r) != expected)
                    return ::testing::AssertionFailure()
                           << "strip row " << top + r << " column " << c << " not on screen";
            }
        return ::testing::AssertionSuccess();
    }

    ShowPalette palette{4098, 256};
};

TEST_F(FilmstripTest, PlayLeavesTheLastFrameOnScreen) {
    Filmstrip logo(9000, 41, &palette);
    IndexedImage strip(9000, &palette);
    ASSERT_EQ(2214, strip.Height());
    DrawSurface surface(90, 60);
    logo.Play(surface.Dc(), 5, 3, 0);
    EXPECT_TRUE(Shows(surface, strip, 2160, 54, 5, 3)) << "frame 40 is rows 2160 to 2213";
}

TEST_F(FilmstripTest, SequencesPlayTheFramesTheyName) {
    Filmstrip logo(9000, 41, &palette);
    IndexedImage strip(9000, &palette);
    DrawSurface surface(80, 54);
    const int sequence[] = {7, 3, 12};
    logo.PlaySequence(surface.Dc(), 0, 0, 0, sequence, 3);
    EXPECT_TRUE(Shows(surface, strip, 12 * 54, 54, 0, 0)) << "frame 12 drawn last";

    surface.Fill(0xFF00FF);
    logo.PlaySequence(surface.Dc(), 0, 0, 0, sequence, 0);
    EXPECT_EQ(0xFF00FFu, surface.Pixels()[0]) << "an empty sequence draws nothing";
    logo.PlaySequence(surface.Dc(), 0, 0, 0, nullptr, 5);
    EXPECT_TRUE(Shows(surface, strip, 40 * 54, 54, 0, 0)) << "no sequence: all 41 frames";
}

TEST_F(FilmstripTest, CopyLastFrameTakesTheLastBandWhateverWasPlayed) {
    Filmstrip strip4(1007, 4, &palette);
    IndexedImage source(1007, &palette);
    ASSERT_EQ(1540, source.Height());
    DrawSurface surface(228, 385);
    const int first[] = {0};
    strip4.PlaySequence(surface.Dc(), 0, 0, 0, first, 1);
    EXPECT_TRUE(Shows(surface, source, 0, 385, 0, 0)) << "frames of 1540 / 4 = 385 rows";

    IndexedImage canvas(240, 400, 1, &palette);
    strip4.CopyLastFrame(&canvas, 6, 9);
    int wrong = 0;
    for (int r = 0; r < 385; ++r)
        for (int c = 0; c < 228; ++c)
            wrong +=
                *canvas.PixelAddress(6 + c, 9 + r + 1) != *source.PixelAddress(c, 1155 + r + 1);
    EXPECT_EQ(0, wrong) << "rows 1155 to 1539 at (6, 9)";
    EXPECT_EQ(0, *canvas.PixelAddress(5, 10)) << "nothing left of it";
}

TEST_F(FilmstripTest, AMissingPictureOrFrameDrawsNothing) {
    Filmstrip missing(7200, 4, &palette);
    DrawSurface surface(8, 8);
    surface.Fill(0x00FFFF);
    missing.Play(surface.Dc(), 0, 0, 0);
    IndexedImage canvas(8, 8, 1, &palette);
    missing.CopyLastFrame(&canvas, 0, 0);
    Filmstrip logo(9000, 41, &palette);
    const int outside[] = {41, -1};
    logo.PlaySequence(surface.Dc(), 0, 0, 0, outside, 2);
    EXPECT_EQ(0x00FFFFu, surface.Pixels()[0]);
    Filmstrip none(9000, 0, &palette);
    none.Play(surface.Dc(), 0, 0, 0);
    none.CopyLastFrame(&canvas, 0, 0);
}

}  // namespace
