// A device-dependent bitmap with its size: the form in which every image
// reaches the screen, drawn with one SRCCOPY block transfer (unscaled, or at
// the window's whole factor: imaging/WindowMapping.h), or made as a
// percentage-scaled copy of another DeviceBitmap.
#pragma once

#include <windows.h>

class DeviceBitmap {
public:
    // Takes ownership of `handle`.
    DeviceBitmap(HBITMAP handle, int width, int height);
    // `source` stretched to `percent` of its size with COLORONCOLOR, which
    // drops rows and columns instead of blending them.
    DeviceBitmap(HDC dc, DeviceBitmap* source, int percent);
    virtual ~DeviceBitmap();

    virtual HBITMAP Handle();
    virtual int Width();
    virtual int Height();
    virtual void Draw(HDC dc, int x, int y);

private:
    DeviceBitmap(const DeviceBitmap&) = delete;
    DeviceBitmap& operator=(const DeviceBitmap&) = delete;

    HBITMAP handle;
    int width;
    int height;
};
