// The palette designed over the show's own pictures keeps every rule of a
// show palette, the colour table follows from a palette exactly as the
// shipped table follows from the shipped palette, and the same pictures give
// the same palette on every machine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

#include "maker/BasePictures.h"
#include "maker/ColourTable.h"
#include "maker/DecodePicture.h"
#include "maker/PaletteDesign.h"

namespace {

std::vector<unsigned char> Resource(WORD id) {
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(id), RT_RCDATA);
    if (found == NULL)
        return {};
    auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(NULL, found)));
    return std::vector<unsigned char>(data, data + SizeofResource(NULL, found));
}

std::vector<unsigned char> DesignOverShippedPictures() {
    std::vector<maker::RgbImage> pictures;
    for (const auto& entry : maker::ModulePictures()) {
        maker::PictureFacts facts;
        maker::RgbImage image;
        std::string why;
        EXPECT_TRUE(
            maker::DecodePicture(entry.second.data(), entry.second.size(), &facts, &image, &why))
            << why;
        if (!facts.grey)
            pictures.push_back(std::move(image));
    }
    EXPECT_EQ(37u, pictures.size()) << "colour pictures of the show";
    std::vector<const maker::RgbImage*> set;
    for (const auto& p : pictures)
        set.push_back(&p);
    std::vector<unsigned char> palette;
    std::string why;
    EXPECT_TRUE(maker::DesignPalette(set, &palette, &why)) << why;
    return palette;
}

TEST(PaletteDesign, TheShippedTableFollowsFromTheShippedPaletteByTheSameRule) {
    std::vector<unsigned char> palette = Resource(4098), table = Resource(4099);
    ASSERT_EQ(768u, palette.size());
    EXPECT_TRUE(maker::BuildColourTable(palette) == table);
    std::string why;
    EXPECT_TRUE(maker::CheckPalette(palette, table, &why)) << why;
}

TEST(PaletteDesign, ShippedPicturesGiveALegalPaletteThatIsTheSameEverywhere) {
    std::vector<unsigned char> palette = DesignOverShippedPictures();
    ASSERT_EQ(768u, palette.size());
    std::vector<unsigned char> table = maker::BuildColourTable(palette);
    std::string why;
    EXPECT_TRUE(maker::CheckPalette(palette, table, &why)) << why;
    std::vector<unsigned char> shipped = Resource(4098);
    EXPECT_TRUE(std::equal(shipped.begin(), shipped.begin() + 90, palette.begin()))
        << "static colours, near-white and the greys at 0-29";
    EXPECT_TRUE(std::equal(shipped.begin() + 732, shipped.end(), palette.begin() + 732))
        << "the dark pair and the static colours at 244-255";
    // Whole numbers and IEEE operations in a fixed order only: these exact
    // bytes on every machine and in WebAssembly.
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : palette)
        hash = (hash ^ c) * 1099511628211ull;
    EXPECT_EQ(0x06544f950d92192dull, hash) << std::hex << "palette hash " << hash;
    EXPECT_TRUE(palette == DesignOverShippedPictures()) << "the same palette twice";
}

TEST(PaletteDesign, ABrokenPaletteIsCaught) {
    std::vector<unsigned char> palette = Resource(4098);
    std::vector<unsigned char> table = maker::BuildColourTable(palette);
    std::string why;
    std::vector<unsigned char> twice = palette;
    std::copy(twice.begin() + 3 * 100, twice.begin() + 3 * 101, twice.begin() + 3 * 101);
    EXPECT_FALSE(maker::CheckPalette(twice, maker::BuildColourTable(twice), &why));
    EXPECT_EQ("palette colours must all differ", why);
    std::vector<unsigned char> grey = palette;
    grey[3 * 100] = grey[3 * 100 + 1] = grey[3 * 100 + 2] = 99;
    EXPECT_FALSE(maker::CheckPalette(grey, maker::BuildColourTable(grey), &why));
    EXPECT_NE(std::string::npos, why.find("23 greys")) << why;
    std::vector<unsigned char> guard = palette;
    guard[3 * 100] = 0, guard[3 * 100 + 1] = 0, guard[3 * 100 + 2] = 1;  // nearer (0, 0, 8)
    EXPECT_FALSE(maker::CheckPalette(guard, maker::BuildColourTable(guard), &why));
}

}  // namespace
