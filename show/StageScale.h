// How much larger the stage is drawn, and where it lies in the window: the
// rule of avrel's -scale auto, of the web page and of the Windows saver.
// The stage and the corner logo beyond its lower-right corner need a client
// of the full view's size (show/StageGeometry.h) to be wholly seen.
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

// How a window of that size shows, at that factor, what the show draws on
// it at its own offsets for the whole client: window point (x, y) lands at
// (shiftX + scale x x, shiftY + scale x y), each pixel a scale x scale
// block, which puts the stage at StagePlaceFor. At factor 1 nothing moves.
struct StageMapping {
    int scale;
    int shiftX;
    int shiftY;
};
StageMapping StageMappingFor(int width, int height, int scale);
