// Paints rectangles of the stand-in's in-memory screen into an X image's
// pixel memory: each 0xRRGGBB pixel converted to the visual's pixel format
// and repeated `scale` times across and down (nearest neighbour, so the
// dither stays crisp). It knows nothing of X beyond the pixel layout, so
// the damage path can be tested without a display.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A TrueColor visual's pixels in an image: channel masks, bits per pixel
// (16, 24 or 32), whether the image stores a pixel's bytes most significant
// first, and the bits set in every pixel: a visual with an alpha channel
// (32-bit windows of compositing desktops) gets its alpha bits here, so that
// every pixel is opaque.
struct PixelLayout {
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
    int bitsPerPixel;
    bool msbFirst;
    uint32_t opaqueBits;
};

// The alpha bits of a visual of `depth` with those colour masks: the bits
// of the depth that no colour uses (none below depth 32).
uint32_t OpaqueBits(int depth, uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

class ScreenImage {
public:
    ScreenImage(const PixelLayout& layout, int scale);
    virtual ~ScreenImage();

    // "" when ScreenImage can draw in `layout`, else why not.
    static std::string Refusal(const PixelLayout& layout);

    // Paints client `rect` of `source` (clipped to its client area) at
    // (rect.left * scale, rect.top * scale) of `image`, whose rows are
    // `stride` bytes apart and which must hold the scaled client.
    virtual void Paint(HWND source, const RECT& rect, uint8_t* image, size_t stride);
    // The same for an image whose top-left holds client point `origin`:
    // `rect`, clipped to lie right of and below it, goes to
    // ((rect.left - origin.x) * scale, (rect.top - origin.y) * scale).
    virtual void Paint(HWND source, const RECT& rect, uint8_t* image, size_t stride, POINT origin);
    // The pixel value of colour 0xRRGGBB.
    virtual uint32_t Pixel(DWORD rgb);

private:
    // How one channel of 0xRRGGBB reaches its place in the pixel: the bits
    // it keeps, moved right and then left. Plain shifts and masks, the same
    // for every pixel, which the compiler turns into vector instructions.
    struct Channel {
        uint32_t keep;  // the channel's top bits in 0xRRGGBB
        int right;
        int left;
    };
    static Channel ChannelFor(uint32_t mask, int sourceTop);

    uint32_t Convert(DWORD rgb) const {
        return ((rgb & red.keep) >> red.right << red.left) |
               ((rgb & green.keep) >> green.right << green.left) |
               ((rgb & blue.keep) >> blue.right << blue.left) | opaque;
    }
    struct Lanes;  // Convert for four pixels at once, where the processor can

    // One row of `width` screen pixels, `scale` times across, at `out`, and
    // again on the scale - 1 rows below it.
    void PaintRow(const DWORD* from, int width, uint8_t* out, size_t stride);

    PixelLayout layout;
    int scale;
    int bytesPerPixel;
    Channel red, green, blue;
    uint32_t opaque;  // the opaque bits that fit the pixel
    bool native;      // the image's byte order is the host's
    bool plain;       // native 0xAARRGGBB in 32 bits: the screen's pixels, opaque bits added
    std::vector<DWORD> source;
};
