#include "web/CanvasScreen.h"

#include <emscripten.h>

#include "StandIn.h"

// The page's script (web/page/avrel.js) puts rectangle (x, y, w, h) of the
// RGBA screen at `pixels` (width x height) on the canvas.
EM_JS(void, PresentRect, (const uint8_t* pixels, int width, int height, int x, int y, int w, int h),
      { Module.avrelPresent(pixels, width, height, x, y, w, h); });

namespace {

void Hook(void* context, HWND window, const RECT& changed) {
    static_cast<CanvasScreen*>(context)->Add(window, changed);
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

CanvasScreen::CanvasScreen() {
    standin::SetDamageHook(Hook, this);
}

CanvasScreen::~CanvasScreen() {
    standin::SetDamageHook(nullptr, nullptr);
}

void CanvasScreen::Watch(HWND window) {
    screen = window;
    RECT client{};
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
    rgba.assign(size_t(width) * size_t(height) * 4, 0);
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 255;
    pending.assign(1, client);
    fresh = true;
}

void CanvasScreen::Add(HWND window, const RECT& changed) {
    if (window != screen)
        return;
    // The corner logo repeats its frames: the same rectangle once is enough.
    for (const RECT& r : pending)
        if (SameRect(r, changed))
            return;
    pending.push_back(changed);
}

void CanvasScreen::Present() {
    for (const RECT& r : pending) {
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (w <= 0 || h <= 0)
            continue;
        rgb.resize(size_t(w) * size_t(h));
        if (!standin::ReadWindowPixels(screen, r, rgb.data(), size_t(w)))
            continue;
        // The corner logo redraws the frame it shows for seconds at a time,
        // and every canvas change costs the browser a composited frame:
        // only what really changed goes to the canvas.
        bool changed = false;
        for (int y = 0; y < h; ++y) {
            const DWORD* from = &rgb[size_t(y) * size_t(w)];
            uint8_t* to = &rgba[(size_t(r.top + y) * size_t(width) + size_t(r.left)) * 4];
            for (int x = 0; x < w; ++x, to += 4) {
                const uint8_t red = uint8_t(from[x] >> 16), green = uint8_t(from[x] >> 8),
                              blue = uint8_t(from[x]);
                changed = changed || to[0] != red || to[1] != green || to[2] != blue;
                to[0] = red;
                to[1] = green;
                to[2] = blue;
            }
        }
        if (changed || fresh)
            PresentRect(rgba.data(), width, height, r.left, r.top, w, h);
    }
    pending.clear();
    fresh = false;
}
