// Arbitrary bytes as an EXIF block: the orientation read from them is
// always one of EXIF's eight, the same with or without the "Exif\0\0"
// prefix JPEG puts before it, and nothing outside the bytes is read
// (AddressSanitizer). Seeds (corpus/exif): blocks of both byte orders,
// with and without the prefix.
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "maker/ExifOrientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int orientation = maker::ExifOrientation(data, size);
    FuzzCheck("exif fuzz", orientation >= 1 && orientation <= 8, "an orientation out of 1-8");
    if (size < 6 || std::memcmp(data, "Exif\0\0", 6) != 0) {
        std::vector<uint8_t> prefixed = {'E', 'x', 'i', 'f', 0, 0};
        prefixed.insert(prefixed.end(), data, data + size);
        FuzzCheck("exif fuzz",
                  maker::ExifOrientation(prefixed.data(), prefixed.size()) == orientation,
                  "the prefix changed the orientation");
    }
    return 0;
}
