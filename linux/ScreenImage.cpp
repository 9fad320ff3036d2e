#include "linux/ScreenImage.h"

#include <algorithm>
#include <cstring>

#include "StandIn.h"

namespace {

// Rows read from the screen at a time: few enough to stay in the cache
// between reading and converting, enough that the stand-in's lock is taken
// a handful of times per frame.
const int kBandRows = 32;

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

uint32_t OpaqueBits(int depth, uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    if (depth < 32)
        return 0;
    return ~(redMask | greenMask | blueMask);
}

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
            layout.redMask == 0xFF0000 && layout.greenMask == 0xFF00 && layout.blueMask == 0xFF) {
    const uint32_t usable = bytesPerPixel >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytesPerPixel)) - 1;
    for (uint32_t v = 0; v < 256; ++v) {
        redPart[v] = ((v >> (8 - red.bits)) << red.shift | layout.opaqueBits) & usable;
        greenPart[v] = (v >> (8 - green.bits)) << green.shift;
        bluePart[v] = (v >> (8 - blue.bits)) << blue.shift;
    }
}

ScreenImage::~ScreenImage() {}

uint32_t ScreenImage::Pixel(DWORD rgb) {
    return redPart[rgb >> 16 & 0xFF] | greenPart[rgb >> 8 & 0xFF] | bluePart[rgb & 0xFF];
}

void ScreenImage::PaintRow(const DWORD* from, int width, uint8_t* out, size_t stride) {
    if (native && bytesPerPixel == 4) {
        // Whole 32-bit stores; at scale 2 both rows are written in the same
        // pass, while the pixel is at hand.
        auto* row = reinterpret_cast<uint32_t*>(out);
        const uint32_t opaque = layout.opaqueBits;
        if (scale == 1) {
            if (plain) {
                for (int x = 0; x < width; ++x)
                    row[x] = from[x] | opaque;
            } else {
                for (int x = 0; x < width; ++x)
                    row[x] = Pixel(from[x]);
            }
            return;
        }
        if (scale == 2) {
            auto* below = reinterpret_cast<uint32_t*>(out + stride);
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = plain ? from[x] | opaque : Pixel(from[x]);
                row[2 * x] = row[2 * x + 1] = below[2 * x] = below[2 * x + 1] = pixel;
            }
            return;
        }
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = plain ? from[x] | opaque : Pixel(from[x]);
            for (int i = 0; i < scale; ++i)
                *row++ = pixel;
        }
    } else if (native && bytesPerPixel == 2) {
        auto* row = reinterpret_cast<uint16_t*>(out);
        for (int x = 0; x < width; ++x) {
            const uint16_t pixel = uint16_t(Pixel(from[x]));
            for (int i = 0; i < scale; ++i)
                *row++ = pixel;
        }
    } else {
        uint8_t* at = out;
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = Pixel(from[x]);
            uint8_t bytes[4];
            // Least significant byte first, unless the image wants the most
            // significant first.
            for (int k = 0; k < bytesPerPixel; ++k) {
                int place = layout.msbFirst ? bytesPerPixel - 1 - k : k;
                bytes[place] = uint8_t(pixel >> (8 * k));
            }
            for (int i = 0; i < scale; ++i, at += bytesPerPixel)
                std::memcpy(at, bytes, size_t(bytesPerPixel));
        }
    }
    // The rows below repeat the first (scale 2 in 32 bits wrote its own).
    const size_t rowBytes = size_t(width) * size_t(scale) * size_t(bytesPerPixel);
    for (int i = 1; i < scale; ++i)
        std::memcpy(out + size_t(i) * stride, out, rowBytes);
}

void ScreenImage::Paint(HWND window, const RECT& rect, uint8_t* image, size_t stride) {
    RECT client;
    if (!GetClientRect(window, &client))
        return;
    const int left = std::max<int>(rect.left, 0), right = std::min<int>(rect.right, client.right);
    const int top = std::max<int>(rect.top, 0), bottom = std::min<int>(rect.bottom, client.bottom);
    if (left >= right || top >= bottom)
        return;
    const int width = right - left;
    uint8_t* first =
        image + size_t(top) * size_t(scale) * stride + size_t(left) * size_t(scale * bytesPerPixel);
    if (plain && scale == 1 && stride % 4 == 0 && layout.opaqueBits == 0) {
        // The image holds the screen's own pixels: straight in, one copy.
        RECT clipped = {left, top, right, bottom};
        standin::ReadWindowPixels(window, clipped, reinterpret_cast<DWORD*>(first), stride / 4);
        return;
    }
    source.resize(size_t(width) * size_t(std::min(kBandRows, bottom - top)));
    for (int y = top; y < bottom; y += kBandRows) {
        const int rows = std::min(kBandRows, bottom - y);
        RECT band = {left, y, right, y + rows};
        if (!standin::ReadWindowPixels(window, band, source.data(), size_t(width)))
            return;
        for (int j = 0; j < rows; ++j) {
            PaintRow(&source[size_t(j) * size_t(width)], width,
                     first + size_t(y - top + j) * size_t(scale) * stride, stride);
        }
    }
}
