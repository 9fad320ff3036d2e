// Turns a photo's decoded rows into sRGB: transparency flattened on black,
// then the photo's embedded colour profile (grey, RGB or CMYK) applied with
// lcms2 toward sRGB, perceptual intent. Without a profile the numbers are
// taken as sRGB, grey ones spread to RGB and CMYK turned to RGB by the
// plain ink rule; a profile that cannot be read, or that does not fit the
// samples (an RGB profile on a grey photo), is ignored the same way.
#pragma once

#include <vector>

#include "maker/PhotoHeader.h"

namespace maker {

class ColourProfile {
public:
    ColourProfile(Samples samples, const std::vector<unsigned char>& iccProfile);
    ~ColourProfile();
    ColourProfile(const ColourProfile&) = delete;
    ColourProfile& operator=(const ColourProfile&) = delete;

    // `count` pixels of the samples to as many RGB pixels.
    void ToSrgb(const unsigned char* in, int count, unsigned char* out);

    // True when an embedded profile changes the numbers.
    bool Converts() const { return transform != nullptr; }

private:
    Samples samples;
    void* context = nullptr;    // cmsContext
    void* transform = nullptr;  // cmsHTRANSFORM
    std::vector<unsigned char> flat;
};

// An ICC profile of RGB primaries (CIE xy of red, green, blue and white)
// with sRGB's tone curve, as HEIF photos describe their colours.
std::vector<unsigned char> PrimariesProfile(const double primaries[8]);

}  // namespace maker
