// Line fade groups on the screen: lines committed to the canvas as they are
// added, drawn at the canvas offset, the capacity of ten, and empty runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/DrawSurface.h"
#include "support/ImagePixel.h"
#include "effects/LineFadeGroup.h"
#include "imaging/BlendTable.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

namespace {

class LineFadeGroupTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Row n of the horizontal source is colour 20 + n, column n of the
        // vertical source colour 40 + n.
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 30; ++x)
                At(horizontal, x, y) = BYTE(20 + y);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 12; ++x)
                At(vertical, x, y) = BYTE(40 + x);
    }

    ShowPalette palette{4098, 256};
    BlendTable blend{&palette, 3};
    IndexedImage canvas{32, 24, 1, &palette};
    IndexedImage horizontal{30, 12, 1, &palette};
    IndexedImage vertical{12, 30, 1, &palette};
};

TEST_F(LineFadeGroupTest, CommittedLinesAreInTheCanvasAndOnTheScreen) {
    LineFadeGroup group(&canvas, &horizontal, &vertical, 1, &blend);
    group.AddHorizontal(2, 3, 25, 1);
    group.AddVertical(5, 1, 20, 2);
    group.AddVertical(20, 0, 22, 0);
    EXPECT_EQ(21, At(canvas, 2, 3)) << "committed before Run";
    EXPECT_EQ(21, At(canvas, 26, 3));
    EXPECT_EQ(0, At(canvas, 27, 3));
    EXPECT_EQ(42, At(canvas, 5, 20));
    EXPECT_EQ(40, At(canvas, 20, 21));

    DrawSurface surface(40, 30);
    group.Run(surface.Dc(), 4, 2, 0);
    std::vector<DWORD> pixels = surface.Pixels();
    EXPECT_EQ(palette.Colour(21), surface.Pixel(pixels, 4 + 2, 2 + 3));
    EXPECT_EQ(palette.Colour(21), surface.Pixel(pixels, 4 + 26, 2 + 3));
    EXPECT_EQ(palette.Colour(42), surface.Pixel(pixels, 4 + 5, 2 + 3))
        << "the vertical line added later is drawn over the crossing";
    EXPECT_EQ(palette.Colour(40), surface.Pixel(pixels, 4 + 20, 2 + 21));
    EXPECT_EQ(0u, surface.Pixel(pixels, 4 + 27, 2 + 3)) << "nothing past the line's end";
    EXPECT_EQ(0u, surface.Pixel(pixels, 4 + 6, 2 + 4)) << "nothing between the lines";
}

TEST_F(LineFadeGroupTest, WithoutCommitTheCanvasStaysAsItWas) {
    LineFadeGroup group(&canvas, &horizontal, &vertical, 0, &blend);
    group.AddHorizontal(0, 0, 10, 3);
    group.AddVertical(1, 0, 10, 3);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(0, At(canvas, x, y));
    DrawSurface surface(32, 24);
    group.Run(surface.Dc(), 0, 0, 0);
    EXPECT_EQ(palette.Colour(23), surface.Pixels()[5]) << "the line still reaches the screen";
}

TEST_F(LineFadeGroupTest, AnEleventhLineIsRefused) {
    LineFadeGroup group(&canvas, &horizontal, &vertical, 1, &blend);
    for (int i = 0; i < 11; ++i)
        group.AddHorizontal(0, i, 4, i);
    EXPECT_EQ(29, At(canvas, 0, 9)) << "the tenth line is in";
    EXPECT_EQ(0, At(canvas, 0, 10)) << "the eleventh is not committed";
    DrawSurface surface(8, 12);
    group.Run(surface.Dc(), 0, 0, 0);
    std::vector<DWORD> pixels = surface.Pixels();
    EXPECT_EQ(palette.Colour(29), surface.Pixel(pixels, 0, 9));
    EXPECT_EQ(0u, surface.Pixel(pixels, 0, 10)) << "nor drawn";
}

TEST_F(LineFadeGroupTest, EmptyAndClearedGroupsDrawNothing) {
    LineFadeGroup group(&canvas, &horizontal, &vertical, 1, &blend);
    DrawSurface surface(8, 8);
    surface.Fill(0x0000FF);
    group.Clear();
    group.Run(surface.Dc(), 0, 0, 0);
    group.AddHorizontal(0, 0, 8, 0);
    group.Clear();
    group.Run(surface.Dc(), 0, 0, 0);
    EXPECT_EQ(0x0000FFu, surface.Pixels()[0]);

    group.AddHorizontal(0, 0, 8, 0);  // usable again after Clear
    group.Run(surface.Dc(), 0, 0, 0);
    EXPECT_EQ(palette.Colour(20), surface.Pixels()[0]);
}

}  // namespace
