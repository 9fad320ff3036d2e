// A device-dependent bitmap with its size. Drawing is one SRCCOPY block
// transfer through a memory context, enlarged on a window that maps at a
// whole factor; a scaled copy is made by the graphics device with
// COLORONCOLOR, which drops rows and columns instead of mixing colours that
// the palette does not have. A bitmap that could not be made has a null
// handle and draws nothing.
#include "imaging/DeviceBitmap.h"

#include "imaging/WindowMapping.h"
#include "platform/DeviceBitmaps.h"

DeviceBitmap::DeviceBitmap(HBITMAP handle, int width, int height)
    : handle(handle), width(width), height(height) {}

DeviceBitmap::DeviceBitmap(HDC dc, DeviceBitmap* source, int percent)
    : handle(nullptr), width(0), height(0) {
    if (source == nullptr)
        return;
    // 64-bit products give the 32-bit results wherever those do not overflow.
    long long w = (long long)(source->width) * percent / 100;
    long long h = (long long)(source->height) * percent / 100;
    if (w > 0x7FFFFFFF || h > 0x7FFFFFFF || w < -0x7FFFFFFF || h < -0x7FFFFFFF)
        return;
    width = int(w);
    height = int(h);
    // An empty copy has nothing to show; Windows would hand back a 1 x 1
    // monochrome stand-in.
    if (width <= 0 || height <= 0 || source->handle == nullptr)
        return;

    HDC sourceDC = CreateCompatibleDC(nullptr);
    HDC targetDC = CreateCompatibleDC(nullptr);
    if (sourceDC != nullptr && targetDC != nullptr) {
        // Made where it costs least, in the format of `dc`'s bitmaps.
        handle = CreateCompatibleBitmap(BitmapMakingDC(dc), width, height);
        if (handle != nullptr) {
            HGDIOBJ oldSource = SelectObject(sourceDC, source->handle);
            HGDIOBJ oldTarget = SelectObject(targetDC, handle);
            int oldMode = SetStretchBltMode(targetDC, COLORONCOLOR);
            StretchBlt(targetDC, 0, 0, width, height, sourceDC, 0, 0, source->width, source->height,
                       SRCCOPY);
            SetStretchBltMode(targetDC, oldMode);
            SelectObject(targetDC, oldTarget);
            SelectObject(sourceDC, oldSource);
        }
    }
    if (targetDC != nullptr)
        DeleteDC(targetDC);
    if (sourceDC != nullptr)
        DeleteDC(sourceDC);
}

DeviceBitmap::~DeviceBitmap() {
    if (handle != nullptr)
        DeleteObject(handle);
}

HBITMAP DeviceBitmap::Handle() {
    return handle;
}
int DeviceBitmap::Width() {
    return width;
}
int DeviceBitmap::Height() {
    return height;
}

void DeviceBitmap::Draw(HDC dc, int x, int y) {
    if (handle == nullptr)
        return;
    HDC memory = CreateCompatibleDC(nullptr);
    if (memory == nullptr)
        return;
    HGDIOBJ previous = SelectObject(memory, handle);
    const StageMapping mapping = WindowMappingOf(dc);
    if (mapping.scale == 1) {
        BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    } else {
        // Each pixel a square block of one colour: enlarging by a whole
        // factor with COLORONCOLOR repeats pixels and never mixes them.
        const int s = mapping.scale;
        int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, mapping.shiftX + s * x, mapping.shiftY + s * y, s * width, s * height,
                   memory, 0, 0, width, height, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
}
