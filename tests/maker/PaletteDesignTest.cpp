// The palette designed over the show's own pictures: it keeps every rule
// of a show palette, its colour table is the nearest-entry table, and the
// same pictures always give the same bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "maker/BasePictures.h"
#include "maker/ColourTable.h"
#include "maker/DecodePicture.h"
#include "maker/PaletteDesign.h"

namespace {

std::vector<maker::RgbImage> ShippedColourPictures() {
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
    return pictures;
}

TEST(PaletteDesign, ShippedPicturesGiveALegalPalette) {
    std::vector<maker::RgbImage> pictures = ShippedColourPictures();
    ASSERT_EQ(37u, pictures.size());
    std::vector<const maker::RgbImage*> set;
    for (const auto& p : pictures)
        set.push_back(&p);
    auto start = std::chrono::steady_clock::now();
    std::vector<unsigned char> palette;
    std::string why;
    ASSERT_TRUE(maker::DesignPalette(set, &palette, &why)) << why;
    std::vector<unsigned char> table = maker::BuildColourTable(palette);
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("palette and table in %.0f ms\n", ms);
    EXPECT_TRUE(maker::CheckPalette(palette, table, &why)) << why;
}

}  // namespace
