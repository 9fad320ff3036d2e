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
// (16, 24 or 32) and whether the image stores a pixel's bytes most
// significant first.
struct PixelLayout {
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
    int bitsPerPixel;
    bool msbFirst;
};

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
    // The pixel value of colour 0xRRGGBB.
    virtual uint32_t Pixel(DWORD rgb);

private:
    struct Channel {
        int shift;  // of the mask's lowest bit
        int bits;   // width of the mask, at most 8
    };

    PixelLayout layout;
    int scale;
    int bytesPerPixel;
    Channel red, green, blue;
    bool native;  // the image's byte order is the host's
    bool plain;   // native 0x00RRGGBB in 32 bits: no conversion
    std::vector<DWORD> source;
    std::vector<uint8_t> row;
};
