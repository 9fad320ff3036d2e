// Where a photo lands in its slot: which part of it is resampled to what
// size, and where the result sits. Worked out in the photo's stored frame
// (before it is turned upright), so that the decoder's rows feed the
// resampler as they come and only the small result is turned; the numbers
// are the ones a fit of the upright photo gives, to the last bit.
#pragma once

#include "maker/RgbImage.h"

namespace maker {

struct FitGeometry {
    // The part of the stored photo that is resampled (left, top, right,
    // bottom; fractions of a pixel allowed) and the size it becomes.
    double box[4] = {0, 0, 0, 0};
    int outWidth = 0;
    int outHeight = 0;
    // Where the upright result's top-left corner goes in the slot: inside
    // contain's letterbox, (0, 0) for cover.
    int left = 0;
    int top = 0;
    // Slot pixels per photo pixel.
    double scale = 1;
};

// True for the EXIF orientations (5-8) that swap width and height.
inline bool SwapsAxes(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// The geometry for a photo stored as `width` x `height` with EXIF
// `orientation`, fitted to a slot of `slotWidth` x `slotHeight`.
FitGeometry PlanFit(int width, int height, int orientation, int slotWidth, int slotHeight, Fit fit);

// How many times smaller (1, 2, 4 or 8) the photo may be decoded, each side
// rounded up as libjpeg does, with its fitted part still holding at least
// as many pixels as the slot in both directions.
int ReductionFor(int width, int height, int orientation, int slotWidth, int slotHeight, Fit fit);

}  // namespace maker
