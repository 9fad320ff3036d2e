// An 8-bit picture of show-palette indices, stored exactly like a bottom-up
// 8-bit DIB: rows bottom first, each `stride` bytes (the width rounded up to
// a multiple of 4), in one GlobalAlloc block of stride * height + 10 bytes.
// So any band of rows becomes a device bitmap with one CreateDIBitmap call.
//
// Coordinates have rows counted from the top. A band is addressed by its
// lower edge: PixelAddress(x, top + rows) is the band's bottom row, and
// adding the stride moves one row up the picture. PixelAddress is the raw
// address and checks nothing; CopyRect, Crop and the band conversions refuse
// (do nothing, or return null) a rectangle or band that reaches outside
// either image, and none of them clips.
#pragma once

#include <windows.h>

class DeviceBitmap;
class ShowPalette;

class IndexedImage {
public:
    // Decodes the JPEG RCDATA resource `resourceId`; without a picture the
    // image has no buffer (Pixels() is null).
    IndexedImage(WORD resourceId, ShowPalette* palette);
    // A blank image; zero-filled (black) when `zeroFill` is non-zero.
    IndexedImage(int width, int height, int zeroFill, ShowPalette* palette);
    virtual ~IndexedImage();

    virtual BYTE* PixelAddress(int x, int y);
    virtual BYTE* Pixels();
    virtual int Width();
    virtual int Height();
    virtual int Stride();
    virtual ShowPalette* Palette();
    // Copies width x height pixels from (srcX, srcY) of `source` to
    // (dstX, dstY) of this image.
    virtual void CopyRect(int dstX, int dstY, int width, int height, IndexedImage* source, int srcX,
                          int srcY);
    // A new image holding the rectangle at (x, y); null when it cannot be made.
    virtual IndexedImage* Crop(int x, int y, int width, int height);
    virtual DeviceBitmap* ToDeviceBitmap(HDC dc);
    // Picture rows y to y + rows - 1 at full width; null when the platform
    // refuses the bitmap.
    virtual DeviceBitmap* BandToDeviceBitmap(HDC dc, int y, int rows);
    virtual void Draw(HDC dc, int x, int y);

private:
    IndexedImage(const IndexedImage&) = delete;
    IndexedImage& operator=(const IndexedImage&) = delete;

    // Fills `trueColourRows` with the band's colours as 32-bit rows when the
    // band is large and the device takes such rows best; false otherwise.
    bool FillTrueColourRows(HDC dc, int y, int rows);

    BYTE* pixels;
    int width;
    int height;
    int stride;
    ShowPalette* palette;
    // 32-bit rows for the large bands of this image (see BandToDeviceBitmap),
    // made at the first one and kept with the image, so that a fade's sixteen
    // frames share one block. Only the render thread makes bands this large.
    DWORD* trueColourRows;
    int trueColourCapacity;  // pixels that `trueColourRows` holds
    int trueColourChoice;    // whether the device takes them: 0 not asked, 1 yes, -1 no
};
