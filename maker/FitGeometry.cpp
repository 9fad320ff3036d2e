#include "maker/FitGeometry.h"

#include <algorithm>
#include <cmath>

namespace maker {

FitGeometry PlanFit(int width, int height, int orientation, int slotWidth, int slotHeight,
                    Fit fit) {
    // The slot as the stored photo sees it.
    bool swapped = SwapsAxes(orientation);
    int w = swapped ? slotHeight : slotWidth;
    int h = swapped ? slotWidth : slotHeight;
    double iw = width, ih = height;
    FitGeometry g;
    if (fit == Fit::Contain) {
        g.scale = std::min(w / iw, h / ih);
        // Python's round(): halves to even, which nearbyint does by default.
        g.outWidth = std::max(1, std::min(w, int(std::nearbyint(iw * g.scale))));
        g.outHeight = std::max(1, std::min(h, int(std::nearbyint(ih * g.scale))));
        g.box[2] = iw;
        g.box[3] = ih;
        int uprightWidth = swapped ? g.outHeight : g.outWidth;
        int uprightHeight = swapped ? g.outWidth : g.outHeight;
        g.left = (slotWidth - uprightWidth) / 2;
        g.top = (slotHeight - uprightHeight) / 2;
        return g;
    }
    // Cover: the largest centred box of the slot's shape.
    g.scale = std::max(w / iw, h / ih);
    double cw = w / g.scale, ch = h / g.scale;
    g.box[0] = std::max(0.0, (iw - cw) / 2);
    g.box[1] = std::max(0.0, (ih - ch) / 2);
    g.box[2] = std::min(iw, (iw + cw) / 2);
    g.box[3] = std::min(ih, (ih + ch) / 2);
    g.outWidth = w;
    g.outHeight = h;
    return g;
}

int ReductionFor(int width, int height, int orientation, int slotWidth, int slotHeight, Fit fit) {
    for (int reduction = 8; reduction > 1; reduction /= 2) {
        int w = (width + reduction - 1) / reduction;
        int h = (height + reduction - 1) / reduction;
        if (PlanFit(w, h, orientation, slotWidth, slotHeight, fit).scale <= 1.0)
            return reduction;
    }
    return 1;
}

}  // namespace maker
