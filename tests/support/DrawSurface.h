// A device context the effects can draw on and the tests can read back,
// the same in both builds: a memory context holding a bitmap compatible
// with the screen (the real display on Windows, the stand-in's true-colour
// screen elsewhere). Pixels come back as 0xRRGGBB through GetDIBits.
#pragma once

#include <windows.h>

#include <vector>

#include "imaging/ShowPalette.h"
#include "support/SolidFill.h"

class DrawSurface {
public:
    DrawSurface(int width, int height) : width(width), height(height) {
        screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        previous = SelectObject(dc, bitmap);
        Fill(0);
    }
    ~DrawSurface() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    DrawSurface(const DrawSurface&) = delete;
    DrawSurface& operator=(const DrawSurface&) = delete;

    HDC Dc() const { return dc; }

    // Paints every pixel `colour` (0xRRGGBB) through an 8-bit DIB.
    void Fill(DWORD colour) { FillSolid(dc, 0, 0, width, height, colour); }

    // Every pixel, top row first, as 0xRRGGBB.
    std::vector<DWORD> Pixels() {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<DWORD> pixels(size_t(width) * size_t(height), 0);
        // A bitmap is read back while no device context holds it.
        SelectObject(dc, previous);
        GetDIBits(screen, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
        SelectObject(dc, bitmap);
        for (DWORD& pixel : pixels)
            pixel &= 0xFFFFFF;
        return pixels;
    }

    DWORD Pixel(const std::vector<DWORD>& pixels, int x, int y) const {
        return pixels[size_t(y) * size_t(width) + size_t(x)];
    }

    const int width;
    const int height;

private:
    HDC screen;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};
