// An 8-bit palette-index picture stored as a bottom-up DIB. Every operation
// is safe on an image without pixels (a failed decode or allocation): it
// copies, crops or converts nothing. Rectangles and bands reaching outside
// an image are refused rather than read or written past the buffer.
#include "imaging/IndexedImage.h"

#include <cstring>

#include "imaging/DeviceBitmap.h"
#include "imaging/DecodeJpegResource.h"
#include "imaging/ShowPalette.h"
#include "platform/DeviceBitmaps.h"

namespace {

// The DIB row size: the width rounded up to a multiple of 4.
int StrideFor(int width) {
    return (width + 3) / 4 * 4;
}

// Bands from this many pixels up may go to the device as 32-bit rows: the
// stage and the pictures, never the corner logo's 80 x 54 frames or lines.
const long long kTrueColourBandPixels = 65536;

// A bitmap header with room for the full 256-entry colour table.
struct PaletteBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

}  // namespace

IndexedImage::IndexedImage(WORD resourceId, ShowPalette* palette)
    : pixels(nullptr),
      width(0),
      height(0),
      stride(0),
      palette(palette),
      trueColourRows(nullptr),
      trueColourCapacity(0),
      trueColourChoice(0) {
    pixels = DecodeJpegResource(resourceId, &width, &height, palette);
    // A decode that fails after the header leaves a size without pixels;
    // an empty image is what the operations below expect then.
    if (pixels == nullptr)
        width = height = 0;
    stride = StrideFor(width);
}

IndexedImage::IndexedImage(int width, int height, int zeroFill, ShowPalette* palette)
    : pixels(nullptr),
      width(width),
      height(height),
      stride(StrideFor(width)),
      palette(palette),
      trueColourRows(nullptr),
      trueColourCapacity(0),
      trueColourChoice(0) {
    if (width < 0 || height < 0)
        return;
    // Sized in 64 bits so a huge request fails instead of wrapping.
    unsigned long long bytes = (unsigned long long)(stride) * unsigned(height) + 10;
    if (bytes > 0x7FFFFFFFull)
        return;
    pixels = static_cast<BYTE*>(
        GlobalAlloc(zeroFill != 0 ? GMEM_FIXED | GMEM_ZEROINIT : GMEM_FIXED, SIZE_T(bytes)));
}

IndexedImage::~IndexedImage() {
    if (pixels != nullptr)
        GlobalFree(pixels);
    if (trueColourRows != nullptr)
        GlobalFree(trueColourRows);
}

BYTE* IndexedImage::PixelAddress(int x, int y) {
    if (pixels == nullptr)
        return nullptr;
    return pixels + x + ptrdiff_t(height - y) * stride;
}

BYTE* IndexedImage::Pixels() {
    return pixels;
}
int IndexedImage::Width() {
    return width;
}
int IndexedImage::Height() {
    return height;
}
int IndexedImage::Stride() {
    return stride;
}
ShowPalette* IndexedImage::Palette() {
    return palette;
}

void IndexedImage::CopyRect(int dstX, int dstY, int width, int height, IndexedImage* source,
                            int srcX, int srcY) {
    if (source == nullptr || pixels == nullptr || source->pixels == nullptr)
        return;
    if (width <= 0 || height <= 0)
        return;
    if (dstX < 0 || dstY < 0 || dstX > this->width - width || dstY > this->height - height)
        return;
    if (srcX < 0 || srcY < 0 || srcX > source->width - width || srcY > source->height - height)
        return;
    // Both rectangles are walked from their bottom row upward.
    const BYTE* s = source->PixelAddress(srcX, srcY + height);
    BYTE* d = PixelAddress(dstX, dstY + height);
    for (int row = 0; row < height; ++row) {
        std::memmove(d, s, size_t(width));  // the source may be this image
        s += source->stride;
        d += stride;
    }
}

IndexedImage* IndexedImage::Crop(int x, int y, int width, int height) {
    if (pixels == nullptr || width <= 0 || height <= 0 || x < 0 || y < 0 ||
        x > this->width - width || y > this->height - height)
        return nullptr;
    auto* image = new IndexedImage(width, height, 0, palette);
    if (image->Pixels() == nullptr) {
        delete image;
        return nullptr;
    }
    image->CopyRect(0, 0, width, height, this, x, y);
    return image;
}

DeviceBitmap* IndexedImage::ToDeviceBitmap(HDC dc) {
    return BandToDeviceBitmap(dc, 0, height);
}

DeviceBitmap* IndexedImage::BandToDeviceBitmap(HDC dc, int y, int rows) {
    if (pixels == nullptr || palette == nullptr || width <= 0 || rows <= 0 || y < 0 ||
        y > height - rows)
        return nullptr;
    int colours = palette->Count();
    if (colours > 256)
        colours = 256;
    if (colours < 0)
        colours = 0;

    PaletteBitmapInfo info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = rows;  // positive: bottom-up, as the rows are stored
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = DWORD(colours);
    info.header.biClrImportant = DWORD(colours);
    for (int i = 0; i < colours; ++i) {
        info.colours[i].rgbBlue = palette->Blue(i);
        info.colours[i].rgbGreen = palette->Green(i);
        info.colours[i].rgbRed = palette->Red(i);
        info.colours[i].rgbReserved = 0;
    }
    // The bitmap is made from a context of the same format as `dc` that
    // costs less to ask (see platform/DeviceBitmaps.h).
    HDC maker = BitmapMakingDC(dc);
    HBITMAP bitmap = nullptr;
    if (FillTrueColourRows(dc, y, rows)) {
        // The same band, bottom row first, already in the device's colours.
        BITMAPINFOHEADER header = info.header;
        header.biBitCount = 32;
        header.biClrUsed = header.biClrImportant = 0;
        bitmap = CreateDIBitmap(maker, &header, CBM_INIT, trueColourRows,
                                reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    } else {
        // The band's bottom row starts its bits; the stride is the DIB row size.
        bitmap = CreateDIBitmap(maker, &info.header, CBM_INIT, PixelAddress(0, y + rows),
                                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    }
    if (bitmap == nullptr)
        return nullptr;
    return new DeviceBitmap(bitmap, width, rows);
}

bool IndexedImage::FillTrueColourRows(HDC dc, int y, int rows) {
    const long long pixelCount = (long long)(width)*rows;
    if (pixelCount < kTrueColourBandPixels || trueColourChoice < 0)
        return false;
    if (trueColourChoice == 0)
        trueColourChoice = DeviceTakesTrueColourRows(dc) ? 1 : -1;
    if (trueColourChoice < 0 || pixelCount > 0x7FFFFFFF / 4)
        return false;
    if (pixelCount > trueColourCapacity) {
        if (trueColourRows != nullptr)
            GlobalFree(trueColourRows);
        trueColourCapacity = 0;
        trueColourRows = static_cast<DWORD*>(GlobalAlloc(GMEM_FIXED, SIZE_T(pixelCount) * 4));
        if (trueColourRows == nullptr)
            return false;  // the 8-bit rows still make the bitmap
        trueColourCapacity = int(pixelCount);
    }
    // Each index's colour as a 32-bit DIB pixel; indices past the palette
    // are black, as they are past a DIB's colour table.
    DWORD colours[256] = {};
    const int count = palette->Count();
    for (int i = 0; i < count && i < 256; ++i)
        colours[i] = palette->Colour(i);
    const BYTE* in = PixelAddress(0, y + rows);  // the band's bottom row
    DWORD* out = trueColourRows;
    for (int row = 0; row < rows; ++row, in += stride, out += width)
        for (int x = 0; x < width; ++x)
            out[x] = colours[in[x]];
    return true;
}

void IndexedImage::Draw(HDC dc, int x, int y) {
    DeviceBitmap* bitmap = ToDeviceBitmap(dc);
    if (bitmap == nullptr)
        return;
    bitmap->Draw(dc, x, y);
    delete bitmap;
}
