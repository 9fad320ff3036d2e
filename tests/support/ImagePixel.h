// One pixel of an IndexedImage, rows counted from the top: the image
// addresses a band by its lower edge, so row y is the band (y, y + 1).
// Shared by the tests of every folder.
#pragma once

#include "imaging/IndexedImage.h"

inline BYTE& At(IndexedImage& image, int x, int y) {
    return *image.PixelAddress(x, y + 1);
}
