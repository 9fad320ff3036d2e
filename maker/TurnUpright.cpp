#include "maker/TurnUpright.h"

#include <cstring>

#include "maker/FitGeometry.h"

namespace maker {

void TurnUpright(const RgbImage& stored, int orientation, int left, int top, RgbImage* slot) {
    int w = stored.width, h = stored.height;
    bool swapped = SwapsAxes(orientation);
    int uprightWidth = swapped ? h : w;
    int uprightHeight = swapped ? w : h;
    // Upright pixel (u, v) is stored pixel (x, y) = (x0 + u * dxu + v * dxv,
    // y0 + u * dyu + v * dyv).
    int x0 = 0, y0 = 0, dxu = 1, dxv = 0, dyu = 0, dyv = 1;
    switch (orientation) {
        case 2:  // mirrored left to right
            x0 = w - 1, dxu = -1;
            break;
        case 3:  // turned half round
            x0 = w - 1, dxu = -1, y0 = h - 1, dyv = -1;
            break;
        case 4:  // mirrored top to bottom
            y0 = h - 1, dyv = -1;
            break;
        case 5:  // mirrored along the main diagonal
            dxu = 0, dxv = 1, dyu = 1, dyv = 0;
            break;
        case 6:  // stored a quarter turn anticlockwise
            dxu = 0, dxv = 1, y0 = h - 1, dyu = -1, dyv = 0;
            break;
        case 7:  // mirrored along the other diagonal
            x0 = w - 1, dxu = 0, dxv = -1, y0 = h - 1, dyu = -1, dyv = 0;
            break;
        case 8:  // stored a quarter turn clockwise
            x0 = w - 1, dxu = 0, dxv = -1, dyu = 1, dyv = 0;
            break;
        default:
            break;
    }
    for (int v = 0; v < uprightHeight; ++v) {
        unsigned char* out =
            &slot->pixels[(size_t(top + v) * size_t(slot->width) + size_t(left)) * 3];
        if (orientation < 2 || orientation > 8) {
            std::memcpy(out, &stored.pixels[size_t(v) * size_t(w) * 3], size_t(w) * 3);
            continue;
        }
        for (int u = 0; u < uprightWidth; ++u, out += 3) {
            int x = x0 + u * dxu + v * dxv;
            int y = y0 + u * dyu + v * dyv;
            std::memcpy(out, &stored.pixels[(size_t(y) * size_t(w) + size_t(x)) * 3], 3);
        }
    }
}

}  // namespace maker
