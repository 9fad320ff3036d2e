// The show's process-wide state: the window and where the stage sits in it
// (show/StageGeometry.h), the imaging objects built once at start-up, and
// the working objects the scene operations create and release as the
// script runs.
//
// Only the render thread writes it. The logo thread reads `window`,
// `offsetX`, `offsetY` and `cornerLogo`, which are written before that
// thread is created and never again, so no lock is needed.
#pragma once

#include <windows.h>

#include "assets/ResourceIds.h"
#include "show/StageGeometry.h"

class BlendTable;
class Filmstrip;
class IndexedImage;
class LineFadeGroup;
class PassPictures;
class ShowPalette;

const WORD kShowPaletteId = IDR_SHOW_PALETTE;
const WORD kCornerLogoId = IDR_CORNER_LOGO;
const int kCornerLogoFrames = 41;

struct Stage {
    HWND window;
    int clientWidth;
    int clientHeight;
    // Stage point (x, y) is window point (offsetX + x, offsetY + y); negative
    // when the client area is smaller than the stage.
    int offsetX;
    int offsetY;
    HDC screenDC;  // the show palette is selected and realised in it
    ShowPalette* palette;
    BlendTable* blend;
    IndexedImage* canvas;  // what the stage shows between scene operations
    Filmstrip* cornerLogo;
    IndexedImage* centreLogo;
    LineFadeGroup* lineGroup;
    IndexedImage* lineSourceH;
    IndexedImage* lineSourceV;
    // The pictures of a personal show's later passes (none for the shipped
    // show), and the pass being played, counted from 0.
    PassPictures* passPictures;
    DWORD pass;
    DWORD renderThreadId;
    DWORD logoThreadId;
};

extern Stage stage;

// Builds `palette` from `paletteId` (and its inverse map at the next id),
// `blend` with 3 level bits and the black `canvas`, then realises the
// palette in `screenDC`. False, with nothing left built, when any of them
// cannot be made.
bool SetupStage(WORD paletteId);

// Deletes the line group and its two source pictures, if any, and clears
// their fields.
void ReleaseLineGroup();

// Releases the whole stage in order: the working objects and the corner
// logo, then (after a SetupStage that succeeded) deselects the palette from
// `screenDC` and deletes the canvas, the blend tables and the palette. The
// show never calls it, since its threads run until the process ends; tests
// and tools that end a show do.
void ReleaseStage();
