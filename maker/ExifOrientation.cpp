#include "maker/ExifOrientation.h"

#include <cstdint>
#include <cstring>

namespace maker {

namespace {

const uint16_t kOrientationTag = 0x0112;
const uint16_t kShort = 3;
const uint16_t kLong = 4;

struct Tiff {
    const unsigned char* bytes;
    size_t size;
    bool bigEndian;

    bool Has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
    uint16_t U16(size_t at) const {
        return bigEndian ? uint16_t(bytes[at] << 8 | bytes[at + 1])
                         : uint16_t(bytes[at + 1] << 8 | bytes[at]);
    }
    uint32_t U32(size_t at) const {
        return bigEndian ? uint32_t(U16(at)) << 16 | U16(at + 2)
                         : uint32_t(U16(at + 2)) << 16 | U16(at);
    }
};

}  // namespace

int ExifOrientation(const unsigned char* block, size_t size) {
    if (block == nullptr)
        return 1;
    if (size >= 6 && std::memcmp(block, "Exif\0\0", 6) == 0) {
        block += 6;
        size -= 6;
    }
    if (size < 8)
        return 1;
    Tiff tiff{block, size, false};
    if (std::memcmp(block, "MM\0*", 4) == 0)
        tiff.bigEndian = true;
    else if (std::memcmp(block, "II*\0", 4) != 0)
        return 1;
    size_t directory = tiff.U32(4);
    if (!tiff.Has(directory, 2))
        return 1;
    size_t entries = tiff.U16(directory);
    for (size_t i = 0; i < entries; ++i) {
        size_t entry = directory + 2 + 12 * i;
        if (!tiff.Has(entry, 12))
            return 1;
        if (tiff.U16(entry) != kOrientationTag)
            continue;
        uint16_t type = tiff.U16(entry + 2);
        if (tiff.U32(entry + 4) != 1)
            return 1;
        uint32_t value = type == kShort  ? tiff.U16(entry + 8)
                         : type == kLong ? tiff.U32(entry + 8)
                                         : 0;
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

}  // namespace maker
