// Under Wine, every bitmap made compatible with a window's context asks the
// display for its depth, and every such question costs three round trips to
// the Wine server (the window station's flags and the display key's time),
// as many as the rest of a frame's drawing together. A memory context
// holding a bitmap compatible with the window has the window's format and
// answers from that bitmap, so each drawing thread keeps one and makes its
// bitmaps there.
//
// On a 32-bit display, 8-bit rows become a device bitmap through a
// temporary copy of the whole bitmap at the display's depth; under Wine
// that copy takes fresh pages for every frame of the stage (blocks that
// large come straight from the system), which cost more than converting
// the rows ourselves. Rows already at the display's depth are copied once.
//
// A palette display is left as it was: it maps the colour table of 8-bit
// rows to the palette selected in the context the bitmap is made from (the
// show palette in the render thread's), once per entry.
#include "platform/DeviceBitmaps.h"

namespace {

bool PaletteDevice(HDC dc) {
    return (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
}

// The memory context of one drawing thread and the window context it
// stands for; released when the thread ends.
struct MakingContext {
    ~MakingContext() { Release(); }

    void Release() {
        if (memory != nullptr) {
            SelectObject(memory, previous);
            DeleteDC(memory);
        }
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        target = memory = nullptr;
        bitmap = nullptr;
        previous = nullptr;
    }

    // Makes the context for `dc`; stays empty (bitmaps made from `dc`
    // itself) on a palette display or when the context cannot be made.
    void MakeFor(HDC dc) {
        Release();
        target = dc;
        if (PaletteDevice(dc))
            return;
        memory = CreateCompatibleDC(dc);
        bitmap = CreateCompatibleBitmap(dc, 1, 1);
        previous = memory != nullptr && bitmap != nullptr ? SelectObject(memory, bitmap) : nullptr;
        if (previous == nullptr) {
            Release();
            target = dc;
        }
    }

    HDC target = nullptr;
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
};

thread_local MakingContext making;

}  // namespace

HDC BitmapMakingDC(HDC dc) {
    // Memory contexts already answer from their own bitmap; only window
    // and screen contexts ask the display.
    if (dc == nullptr || GetObjectType(dc) != OBJ_DC)
        return dc;
    if (dc != making.target)
        making.MakeFor(dc);
    return making.memory != nullptr ? making.memory : dc;
}

bool DeviceTakesTrueColourRows(HDC dc) {
    return dc != nullptr && !PaletteDevice(dc) && GetDeviceCaps(dc, BITSPIXEL) == 32;
}
