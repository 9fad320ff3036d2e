// The contact sheet avrel-render writes: thumbnails of the stage in rows,
// on dark grey.
#pragma once

#include <vector>

#include "render/PngFile.h"

// How much smaller than the stage each cell is.
const int kSheetScale = 4;

// The cells (each the stage shrunk kSheetScale times), in order, seven to a
// row with a 4-pixel gap around each.
RgbPicture ContactSheet(const std::vector<RgbPicture>& cells);
