// How much larger the stage is drawn, and where it lies in the window. The
// stage and the corner logo beyond its lower-right corner need a client of
// the full view's size (show/StageGeometry.h) to be wholly seen.
#pragma once

#include "show/StageGeometry.h"

// The largest whole factor at which a window of width x height still gives
// a client of at least the full view; at least 1. With `requested` > 0 that
// factor is taken as it is.
int ChooseScale(int width, int height, int requested);

// The client the show would run on for a window of that size: the window
// divided by the factor, at least 1 x 1, centred in the window.
struct ShowClient {
    int width;
    int height;
};
ShowClient ShowClientFor(int width, int height, int scale);

// Where stage point (0, 0) lies in a window of that size at that factor:
// the client centred in the window, and in it the stage at the show's own
// offsets (StageLeft, StageTop).
struct StagePlace {
    int x;
    int y;
};
StagePlace StagePlaceFor(int width, int height, int scale);
