// Reads the 8-bit BMP files that libjpeg's own djpeg writes with the show
// palette as colour map: the reference indices a decode must reproduce.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct ReferenceBmp {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<uint8_t> colours;  // 4 bytes per entry: blue, green, red, 0
    std::vector<uint8_t> pixels;   // bottom-up rows, `stride` bytes each
};

// The folder of reference files, from AVREL_TEST_DATA; empty when unset.
inline std::string ReferenceDir() {
    const char* dir = std::getenv("AVREL_TEST_DATA");
    return dir != nullptr ? dir : "";
}

inline bool ReadReferenceBmp(const std::string& path, ReferenceBmp* bmp) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        data.insert(data.end(), chunk, chunk + n);
    std::fclose(file);
    auto u32 = [&](size_t at) {
        return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
               uint32_t(data[at + 3]) << 24;
    };
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M')
        return false;
    uint32_t offset = u32(10);
    uint32_t headerSize = u32(14);
    bmp->width = int(u32(18));
    bmp->height = int(u32(22));
    if (data[28] != 8 || bmp->height <= 0)
        return false;
    uint32_t used = u32(46) ? u32(46) : 256;
    bmp->stride = (bmp->width + 3) / 4 * 4;
    size_t pixelBytes = size_t(bmp->stride) * size_t(bmp->height);
    if (data.size() < offset + pixelBytes)
        return false;
    bmp->colours.assign(data.begin() + 14 + headerSize, data.begin() + 14 + headerSize + 4 * used);
    bmp->pixels.assign(data.begin() + offset, data.begin() + offset + pixelBytes);
    return true;
}
