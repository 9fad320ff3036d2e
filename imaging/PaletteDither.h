// Floyd-Steinberg dithering of decoded RGB rows onto the show palette,
// giving byte for byte the indices libjpeg's own quantizer gives with the
// same palette as its colour map: the same serpentine order (even rows left
// to right, odd rows right to left, counted from the picture's top row),
// the same 7/16, 3/16, 5/16, 1/16 shares kept in sixteenths, the same
// limiting of the error added to a pixel and the same rounding.
#pragma once

#include <windows.h>

#include <cstdint>

class PaletteCellMap;

// The error row a picture needs: 3 * (width + 2) values. They must be zero
// before the picture's first row and are carried from each row to the next.
inline SIZE_T DitherErrorCount(int width) {
    return 3 * (SIZE_T(width) + 2);
}

// Maps `width` pixels of `rgb` (3 bytes each, red first) to palette indices
// in `out`; `rightToLeft` for the picture's odd rows.
void DitherRowToPalette(const PaletteCellMap& map, const BYTE* rgb, int width, bool rightToLeft,
                        int16_t* errors, BYTE* out);
