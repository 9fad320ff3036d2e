// Arbitrary bytes as a photo in a person's folder (PNG, WebP, JPEG; HEIF
// where libheif is built in), fitted to a small slot: the first byte picks
// the slot and the fit. The photo is either refused with one line saying
// why, or becomes a picture of exactly the slot's size; nothing outside the
// bytes is read (AddressSanitizer). Seeds (corpus/photo): small PNGs of
// every kind (16-bit grey, palette with tRNS, alpha, interlaced, iCCP,
// eXIf), lossy, lossless and animated WebP with EXIF and ICCP chunks, and a
// JPEG with EXIF and an ICC profile.
#include <cstdint>
#include <cstring>
#include <string>

#include <webp/decode.h>

#include "FuzzBytes.h"
#include "FuzzCheck.h"
#include "maker/FitPhoto.h"

namespace {

void Check(bool condition, const char* what) {
    FuzzCheck("photo fuzz", condition, what);
}

#ifdef AVREL_FUZZING
// Decoding time grows with the size a header claims and the readers' code
// paths do not: small pictures keep the fuzzer fast. Replays take any size.
const int64_t kMaxFuzzPixels = 1 << 20;

bool Small(const uint8_t* data, size_t size) {
    int width = 0, height = 0;
    if (size >= 24 && std::memcmp(data, "\x89PNG", 4) == 0) {
        width = data[16] << 24 | data[17] << 16 | data[18] << 8 | data[19];
        height = data[20] << 24 | data[21] << 16 | data[22] << 8 | data[23];
    } else if (!WebPGetInfo(data, size, &width, &height)) {
        return true;
    }
    return int64_t(width) * height <= kMaxFuzzPixels;
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    int choice = in.Range(0, 255);
    int width = 1 + (choice & 7) * 9, height = 1 + (choice >> 3 & 7) * 7;
    maker::Fit fit = choice & 64 ? maker::Fit::Contain : maker::Fit::Cover;
#ifdef AVREL_FUZZING
    if (!Small(in.Rest(), in.RestSize()))
        return 0;
#endif
    maker::FittedPhoto out;
    std::string why;
    if (maker::FitPhoto(in.Rest(), in.RestSize(), width, height, fit, &out, &why)) {
        Check(out.image.width == width && out.image.height == height, "a picture of another size");
        Check(out.image.pixels.size() == size_t(width) * size_t(height) * 3,
              "a picture with the wrong number of bytes");
        Check(out.enlargement > 0, "no enlargement factor");
    } else {
        Check(!why.empty() && why.find('\n') == std::string::npos, "a refusal without one line");
    }
    return 0;
}
