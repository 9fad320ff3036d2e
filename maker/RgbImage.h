// A picture as the maker hands it around: 8-bit sRGB, three bytes a pixel
// (R, G, B), rows top first, no padding; and the two ways a photo is fitted
// to a picture slot.
#pragma once

#include <vector>

namespace maker {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;  // width * height * 3
};

// Cover: scaled to cover the slot and cropped around the centre. Contain:
// scaled to fit inside it, letterboxed on black.
enum class Fit { Cover, Contain };

}  // namespace maker
