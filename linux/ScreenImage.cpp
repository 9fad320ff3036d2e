#include "linux/ScreenImage.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "standin/StandIn.h"

namespace {

// Rows read from the screen at a time: few enough to stay in the cache
// between reading and converting, enough that the stand-in's lock is taken
// a handful of times per frame.
const int kBandRows = 16;

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

ScreenImage::Channel ScreenImage::ChannelFor(uint32_t mask, int sourceTop) {
    const int bits = Width(mask), shift = LowestBit(mask);
    const int from = sourceTop - bits;  // lowest kept bit in 0xRRGGBB
    Channel channel = {((1u << bits) - 1) << from, 0, 0};
    if (from > shift)
        channel.right = from - shift;
    else
        channel.left = shift - from;
    return channel;
}

ScreenImage::ScreenImage(const PixelLayout& layout, int scale)
    : layout(layout),
      scale(std::max(scale, 1)),
      bytesPerPixel(layout.bitsPerPixel / 8),
      red(ChannelFor(layout.redMask, 24)),
      green(ChannelFor(layout.greenMask, 16)),
      blue(ChannelFor(layout.blueMask, 8)),
      opaque(layout.opaqueBits &
             (bytesPerPixel >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytesPerPixel)) - 1)),
      native(layout.msbFirst != HostLittleEndian()),
      plain(layout.bitsPerPixel == 32 && layout.msbFirst != HostLittleEndian() &&
            layout.redMask == 0xFF0000 && layout.greenMask == 0xFF00 && layout.blueMask == 0xFF) {}

ScreenImage::~ScreenImage() {}

uint32_t ScreenImage::Pixel(DWORD rgb) {
    return Convert(rgb);
}

#if defined(__SSE2__)
// Four pixels at once: the same shifts and masks as Convert, in vector
// registers (every x86-64 has SSE2).
struct ScreenImage::Lanes {
    __m128i redKeep, greenKeep, blueKeep, opaque;
    __m128i redRight, redLeft, greenRight, greenLeft, blueRight, blueLeft;
    bool rightOnly;

    explicit Lanes(const ScreenImage& image)
        : redKeep(_mm_set1_epi32(int(image.red.keep))),
          greenKeep(_mm_set1_epi32(int(image.green.keep))),
          blueKeep(_mm_set1_epi32(int(image.blue.keep))),
          opaque(_mm_set1_epi32(int(image.opaque))),
          redRight(_mm_cvtsi32_si128(image.red.right)),
          redLeft(_mm_cvtsi32_si128(image.red.left)),
          greenRight(_mm_cvtsi32_si128(image.green.right)),
          greenLeft(_mm_cvtsi32_si128(image.green.left)),
          blueRight(_mm_cvtsi32_si128(image.blue.right)),
          blueLeft(_mm_cvtsi32_si128(image.blue.left)),
          rightOnly(image.red.left == 0 && image.green.left == 0 && image.blue.left == 0 &&
                    image.opaque == 0) {}

    __m128i Convert(const DWORD* from) const {
        const __m128i rgb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i r =
            _mm_sll_epi32(_mm_srl_epi32(_mm_and_si128(rgb, redKeep), redRight), redLeft);
        const __m128i g =
            _mm_sll_epi32(_mm_srl_epi32(_mm_and_si128(rgb, greenKeep), greenRight), greenLeft);
        const __m128i b =
            _mm_sll_epi32(_mm_srl_epi32(_mm_and_si128(rgb, blueKeep), blueRight), blueLeft);
        return _mm_or_si128(_mm_or_si128(r, g), _mm_or_si128(b, opaque));
    }

    // The same where every channel only moves right and nothing is added,
    // as in 16-bit 5-6-5 and 5-5-5: two fewer steps in five.
    __m128i ConvertRight(const DWORD* from) const {
        const __m128i rgb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i r = _mm_srl_epi32(_mm_and_si128(rgb, redKeep), redRight);
        const __m128i g = _mm_srl_epi32(_mm_and_si128(rgb, greenKeep), greenRight);
        const __m128i b = _mm_srl_epi32(_mm_and_si128(rgb, blueKeep), blueRight);
        return _mm_or_si128(_mm_or_si128(r, g), b);
    }

    // Eight pixels of at most 16 bits in one register: SSE2 packs only with
    // signed saturation, so the values are moved into its range and back.
    __m128i Convert16(const DWORD* from) const {
        const __m128i half = _mm_set1_epi32(0x8000);
        const __m128i low = _mm_sub_epi32(rightOnly ? ConvertRight(from) : Convert(from), half);
        const __m128i high =
            _mm_sub_epi32(rightOnly ? ConvertRight(from + 4) : Convert(from + 4), half);
        return _mm_xor_si128(_mm_packs_epi32(low, high), _mm_set1_epi16(short(0x8000)));
    }
};
#endif

void ScreenImage::PaintRow(const DWORD* from, int width, uint8_t* out, size_t stride) {
    const size_t rowBytes = size_t(width) * size_t(scale) * size_t(bytesPerPixel);
    int done = 0;  // pixels of the row already converted in vector registers
    if (native && bytesPerPixel == 4) {
        // Whole 32-bit stores; at scale 2 both rows are written in the same
        // pass, while the pixel is at hand.
        auto* row = reinterpret_cast<uint32_t*>(out);
        if (scale == 1) {
#if defined(__SSE2__)
            const Lanes lanes(*this);
            for (; done + 4 <= width; done += 4)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row + done),
                                 lanes.Convert(from + done));
#endif
            for (int x = done; x < width; ++x)
                row[x] = Convert(from[x]);
            return;
        }
        if (scale == 2) {
            auto* below = reinterpret_cast<uint32_t*>(out + stride);
#if defined(__SSE2__)
            const Lanes lanes(*this);
            for (; done + 4 <= width; done += 4) {
                const __m128i pixels = lanes.Convert(from + done);
                const __m128i left = _mm_unpacklo_epi32(pixels, pixels);
                const __m128i right = _mm_unpackhi_epi32(pixels, pixels);
                auto* at = reinterpret_cast<__m128i*>(row + 2 * done);
                auto* under = reinterpret_cast<__m128i*>(below + 2 * done);
                _mm_storeu_si128(at, left);
                _mm_storeu_si128(at + 1, right);
                _mm_storeu_si128(under, left);
                _mm_storeu_si128(under + 1, right);
            }
#endif
            for (int x = done; x < width; ++x) {
                const uint32_t pixel = Convert(from[x]);
                row[2 * x] = row[2 * x + 1] = below[2 * x] = below[2 * x + 1] = pixel;
            }
            return;
        }
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = Convert(from[x]);
            for (int i = 0; i < scale; ++i)
                *row++ = pixel;
        }
    } else if (native && bytesPerPixel == 2) {
        auto* row = reinterpret_cast<uint16_t*>(out);
        if (scale == 1) {
#if defined(__SSE2__)
            const Lanes lanes(*this);
            for (; done + 8 <= width; done += 8)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row + done),
                                 lanes.Convert16(from + done));
#endif
            for (int x = done; x < width; ++x)
                row[x] = uint16_t(Convert(from[x]));
        } else if (scale == 2) {
#if defined(__SSE2__)
            const Lanes lanes(*this);
            for (; done + 8 <= width; done += 8) {
                const __m128i pixels = lanes.Convert16(from + done);
                auto* at = reinterpret_cast<__m128i*>(row + 2 * done);
                _mm_storeu_si128(at, _mm_unpacklo_epi16(pixels, pixels));
                _mm_storeu_si128(at + 1, _mm_unpackhi_epi16(pixels, pixels));
            }
#endif
            for (int x = done; x < width; ++x)
                row[2 * x] = row[2 * x + 1] = uint16_t(Convert(from[x]));
        } else {
            for (int x = 0; x < width; ++x) {
                const uint16_t pixel = uint16_t(Convert(from[x]));
                for (int i = 0; i < scale; ++i)
                    *row++ = pixel;
            }
        }
    } else {
        uint8_t* at = out;
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = Convert(from[x]);
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
    // The rows below repeat the first.
    for (int i = 1; i < scale; ++i)
        std::memcpy(out + size_t(i) * stride, out, rowBytes);
}

void ScreenImage::Paint(HWND window, const RECT& rect, uint8_t* image, size_t stride) {
    Paint(window, rect, image, stride, POINT{0, 0});
}

void ScreenImage::Paint(HWND window, const RECT& rect, uint8_t* image, size_t stride,
                        POINT origin) {
    RECT client;
    if (!GetClientRect(window, &client))
        return;
    const int left = std::max<int>({rect.left, 0, origin.x});
    const int top = std::max<int>({rect.top, 0, origin.y});
    const int right = std::min<int>(rect.right, client.right);
    const int bottom = std::min<int>(rect.bottom, client.bottom);
    if (left >= right || top >= bottom)
        return;
    const int width = right - left;
    uint8_t* first = image + size_t(top - origin.y) * size_t(scale) * stride +
                     size_t(left - origin.x) * size_t(scale * bytesPerPixel);
    if (plain && scale == 1 && stride % 4 == 0 && opaque == 0) {
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
