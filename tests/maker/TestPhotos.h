// The photos make_test_photos.py writes at build time, and the looks the
// maker's tests take at a fitted picture.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "maker/FitPhoto.h"

namespace makertest {

using Colour = std::array<int, 3>;

inline std::vector<unsigned char> ReadPhoto(const std::string& name) {
    std::ifstream in(std::string(AVREL_MAKER_PHOTOS) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << "no test photo " << name;
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
}

struct Fitted {
    bool ok = false;
    maker::FittedPhoto photo{};
    std::string why;
};

inline Fitted FitBytes(const std::vector<unsigned char>& bytes, int width, int height,
                       maker::Fit fit = maker::Fit::Cover) {
    Fitted f;
    f.ok = maker::FitPhoto(bytes.data(), bytes.size(), width, height, fit, &f.photo, &f.why);
    if (f.ok) {
        EXPECT_EQ(width, f.photo.image.width);
        EXPECT_EQ(height, f.photo.image.height);
        EXPECT_EQ(size_t(width) * size_t(height) * 3, f.photo.image.pixels.size());
    }
    return f;
}

inline Fitted FitNamed(const std::string& name, int width, int height,
                       maker::Fit fit = maker::Fit::Cover) {
    return FitBytes(ReadPhoto(name), width, height, fit);
}

inline Colour PixelAt(const maker::RgbImage& image, int x, int y) {
    const unsigned char* p = &image.pixels[(size_t(y) * size_t(image.width) + size_t(x)) * 3];
    return {p[0], p[1], p[2]};
}

// The mean colour of the square of side 2 * radius + 1 around (x, y).
inline Colour MeanAround(const maker::RgbImage& image, int x, int y, int radius = 3) {
    Colour sum = {0, 0, 0};
    int n = 0;
    for (int v = y - radius; v <= y + radius; ++v)
        for (int u = x - radius; u <= x + radius; ++u, ++n)
            for (int c = 0; c < 3; ++c)
                sum[size_t(c)] += PixelAt(image, u, v)[size_t(c)];
    for (int& s : sum)
        s = (s + n / 2) / n;
    return sum;
}

inline ::testing::AssertionResult Near(const Colour& got, const Colour& want, int tolerance) {
    for (size_t c = 0; c < 3; ++c)
        if (std::abs(got[c] - want[c]) > tolerance)
            return ::testing::AssertionFailure()
                   << "got (" << got[0] << ", " << got[1] << ", " << got[2] << "), expected ("
                   << want[0] << ", " << want[1] << ", " << want[2] << ") within " << tolerance;
    return ::testing::AssertionSuccess();
}

}  // namespace makertest
