#include "linux/ScreenImage.h"

#include <algorithm>
#include <cstring>

#include "StandIn.h"

namespace {

bool HostLittleEndian() {
    const uint16_t one = 1;
    uint8_t first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

int LowestBit(uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int Width(uint32_t mask) {
    int bits = 0;
    for (mask >>= LowestBit(mask); (mask & 1u) != 0; mask >>= 1)
        ++bits;
    return bits;
}

// One contiguous run of 1 to 8 bits.
bool GoodMask(uint32_t mask) {
    if (mask == 0)
        return false;
    int bits = Width(mask);
    return bits <= 8 && (mask >> LowestBit(mask)) == (1u << bits) - 1;
}

}  // namespace

std::string ScreenImage::Refusal(const PixelLayout& layout) {
    if (layout.bitsPerPixel != 16 && layout.bitsPerPixel != 24 && layout.bitsPerPixel != 32)
        return std::to_string(layout.bitsPerPixel) + " bits per pixel";
    if (!GoodMask(layout.redMask) || !GoodMask(layout.greenMask) || !GoodMask(layout.blueMask))
        return "colour masks it cannot use";
    return "";
}

ScreenImage::ScreenImage(const PixelLayout& layout, int scale)
    : layout(layout),
      scale(std::max(scale, 1)),
      bytesPerPixel(layout.bitsPerPixel / 8),
      red{LowestBit(layout.redMask), Width(layout.redMask)},
      green{LowestBit(layout.greenMask), Width(layout.greenMask)},
      blue{LowestBit(layout.blueMask), Width(layout.blueMask)},
      native(layout.msbFirst != HostLittleEndian()),
      plain(layout.bitsPerPixel == 32 && layout.msbFirst != HostLittleEndian() &&
            layout.redMask == 0xFF0000 && layout.greenMask == 0xFF00 && layout.blueMask == 0xFF) {}

ScreenImage::~ScreenImage() {}

uint32_t ScreenImage::Pixel(DWORD rgb) {
    uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    return (r >> (8 - red.bits)) << red.shift | (g >> (8 - green.bits)) << green.shift |
           (b >> (8 - blue.bits)) << blue.shift;
}

void ScreenImage::Paint(HWND window, const RECT& rect, uint8_t* image, size_t stride) {
    RECT client;
    if (!GetClientRect(window, &client))
        return;
    const int left = std::max<int>(rect.left, 0), right = std::min<int>(rect.right, client.right);
    const int top = std::max<int>(rect.top, 0), bottom = std::min<int>(rect.bottom, client.bottom);
    if (left >= right || top >= bottom)
        return;
    const int width = right - left, height = bottom - top;
    RECT clipped = {left, top, right, bottom};
    if (plain && scale == 1 && stride % 4 == 0) {
        // The image holds the screen's own pixels: straight in, one copy.
        auto* at = reinterpret_cast<DWORD*>(image + size_t(top) * stride + size_t(left) * 4);
        standin::ReadWindowPixels(window, clipped, at, stride / 4);
        return;
    }
    source.resize(size_t(width) * size_t(height));
    if (!standin::ReadWindowPixels(window, clipped, source.data(), size_t(width)))
        return;

    const size_t rowBytes = size_t(width) * size_t(scale) * size_t(bytesPerPixel);
    row.resize(rowBytes);
    for (int y = 0; y < height; ++y) {
        const DWORD* from = &source[size_t(y) * size_t(width)];
        uint8_t* out = row.data();
        if (native && bytesPerPixel == 4) {
            for (int x = 0; x < width; ++x) {
                uint32_t pixel = plain ? from[x] : Pixel(from[x]);
                for (int i = 0; i < scale; ++i, out += 4)
                    std::memcpy(out, &pixel, 4);
            }
        } else if (native && bytesPerPixel == 2) {
            for (int x = 0; x < width; ++x) {
                uint16_t pixel = uint16_t(Pixel(from[x]));
                for (int i = 0; i < scale; ++i, out += 2)
                    std::memcpy(out, &pixel, 2);
            }
        } else {
            for (int x = 0; x < width; ++x) {
                uint32_t pixel = Pixel(from[x]);
                uint8_t bytes[4];
                // Least significant byte first, unless the image wants the
                // most significant first.
                for (int k = 0; k < bytesPerPixel; ++k) {
                    int at = layout.msbFirst ? bytesPerPixel - 1 - k : k;
                    bytes[at] = uint8_t(pixel >> (8 * k));
                }
                for (int i = 0; i < scale; ++i, out += bytesPerPixel)
                    std::memcpy(out, bytes, size_t(bytesPerPixel));
            }
        }
        uint8_t* target = image + (size_t(top + y) * size_t(scale)) * stride +
                          size_t(left) * size_t(scale) * size_t(bytesPerPixel);
        for (int i = 0; i < scale; ++i)
            std::memcpy(target + size_t(i) * stride, row.data(), rowBytes);
    }
}
