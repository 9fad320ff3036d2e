// The show palette built from the program's resources, and how it goes
// into a device context and comes out again.
#include <windows.h>

#include <gtest/gtest.h>

#include "imaging/ShowPalette.h"

namespace {

const WORD kShowPaletteId = 4098;

TEST(ShowPaletteTest, EntriesComeFromTheResourceInRedGreenBlueOrder) {
    ShowPalette palette(kShowPaletteId, 256);
    ASSERT_EQ(256, palette.Count());
    EXPECT_EQ(0, palette.Red(0));
    EXPECT_EQ(0, palette.Green(0));
    EXPECT_EQ(0, palette.Blue(0));
    EXPECT_EQ(255, palette.Red(249));
    EXPECT_EQ(0, palette.Green(249));
    EXPECT_EQ(0, palette.Blue(249));
    EXPECT_EQ(243, palette.Red(10));
    EXPECT_EQ(244, palette.Green(10));
    EXPECT_EQ(243, palette.Blue(10));

    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kShowPaletteId), RT_RCDATA);
    ASSERT_NE(nullptr, resource);
    auto* triples = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource)));
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(triples[3 * i], palette.Red(i)) << "entry " << i;
        EXPECT_EQ(triples[3 * i + 1], palette.Green(i)) << "entry " << i;
        EXPECT_EQ(triples[3 * i + 2], palette.Blue(i)) << "entry " << i;
    }
}

TEST(ShowPaletteTest, HandleHoldsTheLogicalPaletteWithNoFlags) {
    ShowPalette palette(kShowPaletteId, 256);
    ASSERT_NE(nullptr, palette.Handle());
    EXPECT_EQ(256u, GetPaletteEntries(palette.Handle(), 0, 0, nullptr));
    PALETTEENTRY entries[256] = {};
    ASSERT_EQ(256u, GetPaletteEntries(palette.Handle(), 0, 256, entries));
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(palette.Red(i), entries[i].peRed) << "entry " << i;
        EXPECT_EQ(palette.Green(i), entries[i].peGreen) << "entry " << i;
        EXPECT_EQ(palette.Blue(i), entries[i].peBlue) << "entry " << i;
        EXPECT_EQ(0, entries[i].peFlags) << "entry " << i;
    }
}

TEST(ShowPaletteTest, InverseMapIsTheNextResourceAndFollowsTheNearestColourRule) {
    ShowPalette palette(kShowPaletteId, 256);
    const BYTE* map = palette.InverseMap();
    ASSERT_NE(nullptr, map);
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kShowPaletteId + 1), RT_RCDATA);
    ASSERT_NE(nullptr, resource);
    EXPECT_EQ(map, LockResource(LoadResource(nullptr, resource))) << "used in place, not copied";
    EXPECT_EQ(32768u, SizeofResource(nullptr, resource));

    EXPECT_EQ(0, map[0]);
    EXPECT_EQ(249, map[0x7C00]);
    EXPECT_EQ(248, map[0x4210]);
    EXPECT_EQ(10, map[0x7FFF]);
    EXPECT_EQ(245, map[1]);

    // Nearest entry by squared distance, ties to the highest index.
    int mismatches = 0;
    for (int key = 0; key < 32768; ++key) {
        int r = (key >> 10) * 8, g = ((key >> 5) & 31) * 8, b = (key & 31) * 8;
        int best = 0, bestDistance = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            int dr = r - palette.Red(i), dg = g - palette.Green(i), db = b - palette.Blue(i);
            int distance = dr * dr + dg * dg + db * db;
            if (distance <= bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        if (map[key] != best && ++mismatches <= 5)
            ADD_FAILURE() << "key " << key << ": expected " << best << ", map has "
                          << int(map[key]);
    }
    EXPECT_EQ(0, mismatches);
}

TEST(ShowPaletteTest, DeselectPutsBackThePaletteThatSelectDisplaced) {
    ShowPalette palette(kShowPaletteId, 256);
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, dc);
    HGDIOBJ before = GetCurrentObject(dc, OBJ_PAL);
    ASSERT_NE(nullptr, before);

    EXPECT_NE(GDI_ERROR, palette.Select(dc));
    EXPECT_EQ(palette.Handle(), GetCurrentObject(dc, OBJ_PAL));
    palette.Deselect(dc);
    EXPECT_EQ(before, GetCurrentObject(dc, OBJ_PAL));

    // A second round trip behaves the same: nothing was left remembered.
    palette.Select(dc);
    palette.Deselect(dc);
    EXPECT_EQ(before, GetCurrentObject(dc, OBJ_PAL));
    DeleteDC(dc);
}

// Found by fuzzing: -1 entries became a logical palette claiming 65535.
TEST(ShowPaletteTest, NegativeCountGivesAnEmptyPalette) {
    ShowPalette palette(kShowPaletteId, -1);
    EXPECT_EQ(0, palette.Count());
    // Windows may refuse an empty palette; one that is made has no entries.
    PALETTEENTRY entry = {};
    if (palette.Handle() != nullptr) {
        EXPECT_EQ(0u, GetPaletteEntries(palette.Handle(), 0, 1, &entry));
    }
}

TEST(ShowPaletteTest, MissingResourcesGiveBlackEntriesAndNoInverseMap) {
    // Test resource 7100 is a palette with no inverse map beside it.
    ShowPalette noMap(7100, 256);
    EXPECT_EQ(nullptr, noMap.InverseMap());
    EXPECT_EQ(15, noMap.Red(5)) << "bytes 15, 16, 17 of the resource";
    EXPECT_EQ(17, noMap.Blue(5));

    ShowPalette missing(7200, 256);
    EXPECT_EQ(nullptr, missing.InverseMap());
    EXPECT_EQ(0, missing.Red(100));
    EXPECT_EQ(0, missing.Blue(255));
}

}  // namespace
