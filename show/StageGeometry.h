// Where the show draws in its window's client area: the 640 x 480 stage,
// centred, and the 80 x 54 corner logo just beyond the stage's lower-right
// corner. Nothing else of the client is ever drawn on.
//
// The one place these numbers are written: every front end lays its screen
// out from them, and the page's script and the Python tools take them from
// this file through tools/session/stage_geometry.py. Keep each a line
// `const int kName = value;` whose value is a number or a sum or product of
// the names above it, which that reader understands.
#pragma once

const int kStageWidth = 640;
const int kStageHeight = 480;
const int kCornerLogoWidth = 80;
const int kCornerLogoHeight = 54;
// The smallest client that shows the stage and the corner logo wholly with
// the stage centred: the logo's room on both sides.
const int kFullViewWidth = kStageWidth + 2 * kCornerLogoWidth;
const int kFullViewHeight = kStageHeight + 2 * kCornerLogoHeight;

// Where the stage's top-left lies in a client of that size: centred, the
// offset truncated toward zero (so a 600-wide client gives -20, and a
// client smaller than the stage shows the stage's centre).
constexpr int StageLeft(int clientWidth) {
    return (clientWidth - kStageWidth) / 2;
}
constexpr int StageTop(int clientHeight) {
    return (clientHeight - kStageHeight) / 2;
}
