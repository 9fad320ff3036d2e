// What a screen window of the stand-in shows, as the RGB pictures
// avrel-render writes: the whole client area, or the stage alone shrunk.
#pragma once

#include <windows.h>

#include "render/PngFile.h"

// The whole client area of `window`.
RgbPicture WindowPicture(HWND window);

// The stage's pixels on the show's window (where the stage global places
// it), shrunk `scale` times by averaging each square of scale x scale
// pixels; parts of the stage outside the client area count as black.
RgbPicture StageThumbnail(HWND window, int scale);
