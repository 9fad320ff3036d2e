// How what is drawn on a window reaches its screen. One-to-one unless whole
// factors are on, as the saver turns them on at start: then each pixel is a
// block of the largest whole factor at which the stage and the corner logo
// fit the window's client, placed as avrel and the web page place them
// (show/StageScale.h), for the client's size at the time of drawing. Only
// where frames land changes: the show draws the same frames at the same
// window points, one transfer each.
#pragma once

#include <windows.h>

#include "show/StageScale.h"

// Set before the show's threads start; they only read it.
void UseWholeFactors(bool on);

// The mapping frames drawn on `dc` take: one-to-one while whole factors are
// off and on contexts of no window (memory contexts).
StageMapping WindowMappingOf(HDC dc);
