// Blend tables built from the show palette: the layout of the levels, the
// mixing formula with truncation to 5 bits, and the worked examples.
#include <windows.h>

#include <gtest/gtest.h>

#include "imaging/BlendTable.h"
#include "imaging/ShowPalette.h"

namespace {

class BlendTableTest : public ::testing::Test {
protected:
    // The inverse map's entry for n/8 of a's colour and (8 - n)/8 of b's.
    int Expected(int n, int a, int b) {
        int r = (n * palette.Red(a) + (8 - n) * palette.Red(b)) / 64;
        int g = (n * palette.Green(a) + (8 - n) * palette.Green(b)) / 64;
        int bl = (n * palette.Blue(a) + (8 - n) * palette.Blue(b)) / 64;
        return palette.InverseMap()[r << 10 | g << 5 | bl];
    }

    ShowPalette palette{4098, 256};
    BlendTable blend{&palette, 3};
};

TEST_F(BlendTableTest, SevenLevelsOf64KInOneBlock) {
    EXPECT_EQ(&palette, blend.Palette());
    EXPECT_EQ(3, blend.LevelBits());
    ASSERT_EQ(7, blend.LevelCount());
    ASSERT_NE(nullptr, blend.Level(0));
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(blend.Level(0) + n * 65536, blend.Level(n)) << "level " << n;
    blend.Level(6)[65535] = blend.Level(6)[65535];  // 458752 bytes in all
}

TEST_F(BlendTableTest, EveryEntryFollowsTheMixingFormula) {
    int mismatches = 0;
    for (int n = 0; n < 7; ++n)
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b)
                if (blend.Level(n)[a << 8 | b] != Expected(n, a, b) && ++mismatches <= 5)
                    ADD_FAILURE() << "level " << n << " (" << a << ", " << b << "): expected "
                                  << Expected(n, a, b) << ", table has "
                                  << int(blend.Level(n)[a << 8 | b]);
    EXPECT_EQ(0, mismatches);
}

TEST_F(BlendTableTest, PairsOfOneIndexAndLevelZeroIgnoreTheNewColour) {
    const BYTE* map = palette.InverseMap();
    for (int a = 0; a < 256; ++a) {
        int cut = palette.Red(a) >> 3 << 10 | palette.Green(a) >> 3 << 5 | palette.Blue(a) >> 3;
        for (int n = 0; n < 7; ++n)
            ASSERT_EQ(map[cut], blend.Level(n)[a << 8 | a]) << "index " << a << " level " << n;
    }
    EXPECT_EQ(0, blend.Level(3)[0]) << "black over black is black";
    for (int b = 0; b < 256; ++b)
        for (int a = 1; a < 256; ++a)
            ASSERT_EQ(blend.Level(0)[b], blend.Level(0)[a << 8 | b]) << "level 0, old " << b;
}

TEST_F(BlendTableTest, WhiteAndRedOverBlack) {
    const BYTE* map = palette.InverseMap();
    EXPECT_EQ(map[3 << 10 | 3 << 5 | 3], blend.Level(1)[255 << 8 | 0]) << "key (3, 3, 3)";
    EXPECT_EQ(map[15 << 10 | 15 << 5 | 15], blend.Level(4)[255 << 8 | 0]) << "key (15, 15, 15)";
    EXPECT_EQ(map[23 << 10 | 23 << 5 | 23], blend.Level(6)[255 << 8 | 0]) << "key (23, 23, 23)";
    EXPECT_EQ(blend.Level(4)[255 << 8 | 0], blend.Level(4)[0 << 8 | 255]) << "halves commute";
    EXPECT_EQ(map[0x3C00], blend.Level(4)[249 << 8 | 0]) << "key (15, 0, 0)";
}

TEST_F(BlendTableTest, APaletteWithoutInverseMapGivesBlackTables) {
    ShowPalette noMap(7100, 256);
    BlendTable tables(&noMap, 3);
    ASSERT_NE(nullptr, tables.Level(0));
    int nonZero = 0;
    for (int n = 0; n < 7; ++n)
        for (int i = 0; i < 65536; ++i)
            nonZero += tables.Level(n)[i] != 0;
    EXPECT_EQ(0, nonZero);
}

}  // namespace
