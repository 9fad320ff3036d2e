// What a photo decoder reports before it decodes a pixel: the photo's
// stored size, how it is to be turned to stand upright, the layout of the
// rows it will deliver and the colour profile their numbers are in.
#pragma once

#include <cstdint>
#include <vector>

namespace maker {

// Eight bits a sample. CMYK is stored as Adobe's programs write it into
// JPEG files, inverted (0 is full ink), which is how nearly every CMYK JPEG
// is written.
enum class Samples { Grey, GreyAlpha, Rgb, Rgba, InvertedCmyk };

inline int SampleBytes(Samples samples) {
    switch (samples) {
        case Samples::Grey:
            return 1;
        case Samples::GreyAlpha:
            return 2;
        case Samples::Rgb:
            return 3;
        default:
            return 4;
    }
}

// Photos with more pixels than this are refused from their header, so that
// a small file claiming a giant picture never gets its memory.
const int64_t kPhotoPixelLimit = 150000000;

struct PhotoHeader {
    int width = 0;  // as stored, before it is turned upright
    int height = 0;
    int orientation = 1;  // EXIF's: 1 upright, 2-8 mirrored and/or turned
    Samples samples = Samples::Rgb;
    std::vector<unsigned char> iccProfile;  // empty: the numbers are sRGB
};

}  // namespace maker
