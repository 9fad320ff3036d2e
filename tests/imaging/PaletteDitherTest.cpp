// The decoder dithers decoded rows onto the palette itself, through a cell
// table the palette keeps. Checked byte for byte against libjpeg's own
// quantizer with the same palette as its colour map, over every picture of
// the show and the test pictures, with the show palette, shorter palettes
// and a palette full of ties and duplicates.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "support/LibraryPaletteDecode.h"
#include "support/PictureCatalogue.h"
#include "imaging/DecodeJpegResource.h"
#include "imaging/PaletteCellMap.h"
#include "imaging/RcData.h"
#include "imaging/ShowPalette.h"

namespace {

// Test pictures: colour, cut short, grey, odd sizes in every subsampling,
// one pixel wide, high or both, progressive colour and grey, noise, and one
// wide enough to be dithered in strips of fewer rows.
const int kTestPictures[] = {7000, 7001, 7002, 7007, 7008, 7009, 7010,
                             7011, 7012, 7013, 7014, 7015, 7016, 7017};
// Resources the library refuses: text, a corrupt frame, no tables.
const int kNoPictures[] = {7003, 7005, 7006};

// Decodes `id` both ways and says how the two differ; empty when they agree.
std::string Compare(int id, ShowPalette* palette) {
    DWORD size = 0;
    const BYTE* bytes = LockRcData(WORD(id), &size);
    if (bytes == nullptr)
        return "picture " + std::to_string(id) + " is not among the resources";
    LibraryPicture library = LibraryPaletteDecode(bytes, size, palette);
    int width = -1, height = -1;
    BYTE* buffer = DecodeJpegResource(WORD(id), &width, &height, palette);
    std::string where = "picture " + std::to_string(id) + " with " +
                        std::to_string(palette->Count()) + " colours: ";
    if (!library.decoded || buffer == nullptr) {
        if (buffer != nullptr)
            GlobalFree(buffer);
        if (library.decoded != (buffer != nullptr))
            return where + (library.decoded ? "only the library decodes it"
                                            : "only the decoder decodes it");
        return "";
    }
    std::string result;
    if (width != library.width || height != library.height) {
        result = where + "size " + std::to_string(width) + " x " + std::to_string(height) +
                 ", the library's " + std::to_string(library.width) + " x " +
                 std::to_string(library.height);
    } else {
        int stride = (width + 3) / 4 * 4;
        long differing = 0;
        std::string first;
        for (int y = 0; y < height; ++y) {
            const BYTE* ours = buffer + size_t(stride) * size_t(height - 1 - y);
            const BYTE* theirs = library.rows.data() + size_t(width) * size_t(y);
            for (int x = 0; x < width; ++x) {
                if (ours[x] != theirs[x] && differing++ == 0)
                    first = " (first at x " + std::to_string(x) + ", row " + std::to_string(y) +
                            " from the top: " + std::to_string(ours[x]) + ", the library's " +
                            std::to_string(theirs[x]) + ")";
            }
        }
        if (differing != 0)
            result = where + std::to_string(differing) + " indices differ" + first;
    }
    GlobalFree(buffer);
    return result;
}

void ExpectSameAsLibrary(const std::vector<int>& ids, ShowPalette* palette) {
    for (int id : ids)
        EXPECT_EQ("", Compare(id, palette));
}

std::vector<int> ShowPictures() {
    std::vector<int> ids;
    for (const CataloguePicture& picture : kPictures)
        ids.push_back(picture.id);
    return ids;
}

std::vector<int> TestPictures() {
    return std::vector<int>(std::begin(kTestPictures), std::end(kTestPictures));
}

TEST(PaletteDitherTest, EveryShowPictureGivesTheLibraryIndices) {
    ShowPalette palette(4098, 256);
    ExpectSameAsLibrary(ShowPictures(), &palette);
}

TEST(PaletteDitherTest, EveryTestPictureGivesTheLibraryIndices) {
    ShowPalette palette(4098, 256);
    ExpectSameAsLibrary(TestPictures(), &palette);
}

TEST(PaletteDitherTest, ShorterPalettesGiveTheLibraryIndices) {
    // The first entries of the show palette only: fewer colours, larger
    // errors, more clamping.
    for (int count : {1, 2, 17, 100, 255}) {
        ShowPalette palette(4098, count);
        ExpectSameAsLibrary(TestPictures(), &palette);
        ExpectSameAsLibrary({1000, 1005, 1006, 6000, 9000}, &palette);
    }
}

TEST(PaletteDitherTest, PaletteOfTiesAndDuplicatesGivesTheLibraryIndices) {
    // Entries on a grid whose midpoints are cell centres, each twice.
    for (int count : {256, 128, 200}) {
        ShowPalette palette(7102, count);
        ExpectSameAsLibrary(TestPictures(), &palette);
        ExpectSameAsLibrary({1000, 2001, 4003, 6001}, &palette);
    }
}

TEST(PaletteDitherTest, TheSameResourcesAreRefusedBothWays) {
    ShowPalette palette(4098, 256);
    for (int id : kNoPictures)
        EXPECT_EQ("", Compare(id, &palette));
    // More entries than a byte can index: the library refuses the map.
    ShowPalette tooMany(4098, 300);
    EXPECT_EQ("", Compare(7000, &tooMany));
    int width = 0, height = 0;
    EXPECT_EQ(nullptr, DecodeJpegResource(7000, &width, &height, &tooMany));
}

TEST(PaletteDitherTest, DecodingTheSamePictureAgainGivesTheSameIndices) {
    // The cell table is built by the first decode and kept; later decodes
    // must not depend on what earlier ones left behind.
    ShowPalette palette(4098, 256);
    int width = 0, height = 0;
    BYTE* first = DecodeJpegResource(7016, &width, &height, &palette);
    ASSERT_NE(nullptr, first);
    const PaletteCellMap* map = palette.CellMap();
    BYTE* other = DecodeJpegResource(1000, &width, &height, &palette);
    ASSERT_NE(nullptr, other);
    GlobalFree(other);
    BYTE* again = DecodeJpegResource(7016, &width, &height, &palette);
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(map, palette.CellMap()) << "the table was built again";
    // Row by row: the padding up to the stride is never written.
    int stride = (width + 3) / 4 * 4;
    for (int row = 0; row < height; ++row)
        EXPECT_EQ(0, std::memcmp(first + stride * row, again + stride * row, size_t(width)))
            << "row " << row;
    GlobalFree(first);
    GlobalFree(again);
}

// Every cell's entry, by the plain definition: the least weighted squared
// distance (red 2, green 3, blue 1) to the cell's centre, the lowest index
// among equals.
void ExpectCellsNearest(ShowPalette* palette) {
    const PaletteCellMap* map = palette->CellMap();
    ASSERT_NE(nullptr, map);
    int count = palette->Count();
    long wrong = 0;
    std::string first;
    for (int r = 0; r < 32; ++r) {
        for (int g = 0; g < 64; ++g) {
            for (int b = 0; b < 32; ++b) {
                int red = r * 8 + 4, green = g * 4 + 2, blue = b * 8 + 4;
                int best = 0;
                long bestDistance = -1;
                for (int i = 0; i < count; ++i) {
                    long dr = 2 * (red - palette->Red(i));
                    long dg = 3 * (green - palette->Green(i));
                    long db = blue - palette->Blue(i);
                    long distance = dr * dr + dg * dg + db * db;
                    if (bestDistance < 0 || distance < bestDistance) {
                        bestDistance = distance;
                        best = i;
                    }
                }
                int cell = PaletteCellMap::CellOf(red, green, blue);
                if (map->Cells()[cell] != best && wrong++ == 0)
                    first = " (first: cell " + std::to_string(cell) + " has " +
                            std::to_string(map->Cells()[cell]) + ", nearest is " +
                            std::to_string(best) + ")";
            }
        }
    }
    EXPECT_EQ(0, wrong) << "cells without their nearest entry" << first;
}

TEST(PaletteDitherTest, EveryCellHoldsItsNearestEntryLowestIndexFirst) {
    ShowPalette show(4098, 256);
    ExpectCellsNearest(&show);
    ShowPalette ties(7102, 256);
    ExpectCellsNearest(&ties);
    ShowPalette few(4098, 17);
    ExpectCellsNearest(&few);
}

}  // namespace
