// How much larger the stage is drawn, and where it lies in the window: the
// rule of avrel's -scale auto, of the web page and of the Windows saver.
// The stage (640 x 480) and the corner logo beyond its lower-right corner
// (80 x 54) need a client of at least 800 x 588 to be wholly seen with the
// stage centred: 640 + 2 x 80 by 480 + 2 x 54.
#pragma once

const int kFullViewWidth = 800;
const int kFullViewHeight = 588;

// The largest whole factor at which a window of width x height still gives
// a client of at least 800 x 588; at least 1. With `requested` > 0 that
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
// offsets, (client - stage) / 2 truncated toward zero (negative in a client
// smaller than the stage, whose centre then shows).
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
