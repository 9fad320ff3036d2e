#include "web/CanvasScreen.h"

#include <emscripten.h>

#include "standin/StandIn.h"

// The page's script (web/page/avrel.js) puts rectangle (x, y, w, h) of the
// RGBA screen at `pixels` (width x height) on the canvas.
EM_JS(void, PresentRect, (const uint8_t* pixels, int width, int height, int x, int y, int w, int h),
      { Module.avrelPresent(pixels, width, height, x, y, w, h); });

namespace {

void Hook(void* context, HWND window, const RECT& changed) {
    static_cast<CanvasScreen*>(context)->Add(window, changed);
}

// The canvas takes bytes R, G, B, A; WebAssembly is little-endian, so that
// is the word 0xAABBGGRR, from the stand-in's 0x00RRGGBB.
const uint32_t kOpaque = 0xFF000000u;

uint32_t AsCanvasPixel(DWORD rgb) {
    return kOpaque | (rgb & 0x00FF00u) | (rgb >> 16 & 0xFFu) | (rgb & 0xFFu) << 16;
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
    rgba.assign(size_t(width) * size_t(height), kOpaque);
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
            uint32_t* to = &rgba[size_t(r.top + y) * size_t(width) + size_t(r.left)];
            for (int x = 0; x < w; ++x) {
                const uint32_t pixel = AsCanvasPixel(from[x]);
                changed |= to[x] != pixel;
                to[x] = pixel;
            }
        }
        if (changed || fresh)
            PresentRect(reinterpret_cast<const uint8_t*>(rgba.data()), width, height, r.left, r.top,
                        w, h);
    }
    pending.clear();
    fresh = false;
}
