// Solid colours on any device context, made the way the show makes its
// pictures: an 8-bit DIB turned into a device bitmap and copied with one
// block transfer. Shared by the tests and benches of every folder.
#pragma once

#include <windows.h>

#include <vector>

// A w x h bitmap compatible with `dc` whose every pixel is `colour`
// (0xRRGGBB). The caller deletes it.
inline HBITMAP SolidBitmap(HDC dc, int w, int h, DWORD colour) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info = {};
    info.header = {sizeof(BITMAPINFOHEADER), w, h, 1, 8, BI_RGB, 0, 0, 0, 2, 2};
    info.colours[1] = {BYTE(colour), BYTE(colour >> 8), BYTE(colour >> 16), 0};
    std::vector<BYTE> bits(size_t((w + 3) / 4 * 4) * size_t(h), 1);
    return CreateDIBitmap(dc, &info.header, CBM_INIT, bits.data(),
                          reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
}

// Copies the whole w x h `bitmap` to (x, y) of `dc`.
inline void DrawBitmap(HDC dc, int x, int y, int w, int h, HBITMAP bitmap) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, x, y, w, h, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

// Paints the w x h block at (x, y) of `dc` in `colour`.
inline void FillSolid(HDC dc, int x, int y, int w, int h, DWORD colour) {
    HBITMAP bitmap = SolidBitmap(dc, w, h, colour);
    DrawBitmap(dc, x, y, w, h, bitmap);
    DeleteObject(bitmap);
}
