// The show's palette, built once for all the benchmarks of a run.
#pragma once

#include "imaging/ShowPalette.h"
#include "show/Stage.h"

inline ShowPalette& Palette() {
    static ShowPalette palette(kShowPaletteId, 256);
    return palette;
}
