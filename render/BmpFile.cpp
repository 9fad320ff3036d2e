#include "render/BmpFile.h"

#include <cstdio>
#include <vector>

#include "imaging/ShowPalette.h"

namespace {

void Put16(std::vector<BYTE>& out, unsigned value) {
    out.push_back(BYTE(value));
    out.push_back(BYTE(value >> 8));
}

void Put32(std::vector<BYTE>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

bool WriteBmp8(const std::string& path, const BYTE* bottomRow, int width, int height, int stride,
               ShowPalette* palette) {
    const uint32_t headerBytes = 14 + 40 + 256 * 4;
    const uint32_t pixelBytes = uint32_t(stride) * uint32_t(height);
    std::vector<BYTE> out;
    out.reserve(headerBytes + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, headerBytes + pixelBytes);
    Put32(out, 0);
    Put32(out, headerBytes);
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height));  // positive: bottom-up
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, BI_RGB);
    Put32(out, pixelBytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 256);
    Put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        bool present = i < palette->Count();
        out.push_back(present ? palette->Blue(i) : 0);
        out.push_back(present ? palette->Green(i) : 0);
        out.push_back(present ? palette->Red(i) : 0);
        out.push_back(0);
    }
    // Row padding is never written by the decoder; the file gets zeros.
    for (int row = 0; row < height; ++row) {
        const BYTE* pixels = bottomRow + size_t(row) * size_t(stride);
        out.insert(out.end(), pixels, pixels + width);
        out.insert(out.end(), size_t(stride - width), BYTE(0));
    }

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}
