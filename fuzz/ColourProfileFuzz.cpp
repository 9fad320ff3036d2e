// Arbitrary bytes as a photo's embedded colour profile: the first byte
// picks the samples it is read with (grey, grey and alpha, RGB, RGBA, CMYK)
// or, from 5 on, makes the next 8 bytes HEIF primaries to build a profile
// from; the next 64 bytes are pixels. The conversion never reads or writes
// outside its rows (AddressSanitizer), gives the same numbers twice, and a
// profile lcms2 does not take leaves RGB numbers as they are. Seeds
// (corpus/colour_profile): Display P3, Adobe RGB, a CMYK printer's lut16
// and a grey profile, each behind a kind byte and 64 pixel bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzBytes.h"
#include "FuzzCheck.h"
#include "maker/ColourProfile.h"

namespace {

const int kPixelBytes = 64;

void Check(bool condition, const char* what) {
    FuzzCheck("colour profile fuzz", condition, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    int kind = in.Range(0, 5);
    std::vector<unsigned char> profile;
    maker::Samples samples = maker::Samples::Rgb;
    if (kind == 5) {
        double primaries[8];
        for (double& p : primaries)
            p = in.Range(0, 255) / 255.0;
        profile = maker::PrimariesProfile(primaries);
    } else {
        samples = static_cast<maker::Samples>(kind);
    }
    unsigned char pixels[kPixelBytes] = {};
    size_t taken = std::min(in.RestSize(), size_t(kPixelBytes));
    std::memcpy(pixels, in.Rest(), taken);
    if (kind != 5)
        profile.assign(in.Rest() + taken, in.Rest() + in.RestSize());

    int count = kPixelBytes / maker::SampleBytes(samples);
    maker::ColourProfile colour(samples, profile);
    std::vector<unsigned char> once(size_t(count) * 3), twice(size_t(count) * 3);
    colour.ToSrgb(pixels, count, once.data());
    colour.ToSrgb(pixels, count, twice.data());
    Check(once == twice, "the same pixels converted twice differ");
    if (samples == maker::Samples::Rgb && !colour.Converts())
        Check(std::memcmp(once.data(), pixels, once.size()) == 0,
              "RGB numbers changed without a profile");
    return 0;
}
