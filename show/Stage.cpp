// The stage's storage and its imaging set-up.
#include "show/Stage.h"

#include "imaging/BlendTable.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

Stage stage;

namespace {

const int kBlendLevelBits = 3;
const int kShowPaletteCount = 256;

// The tables are filled only when their scratch memory could be had too;
// an unfilled block is all zeros. Level 0 of an index against itself is
// the inverse map at that colour cut to 5 bits, so white (the last static
// colour) tells a filled table from an empty one.
bool BlendTableFilled(BlendTable* blend, ShowPalette* palette) {
    const BYTE* level0 = blend->Level(0);
    if (level0 == nullptr)
        return false;
    int key =
        (palette->Red(255) >> 3) << 10 | (palette->Green(255) >> 3) << 5 | palette->Blue(255) >> 3;
    return level0[0xFFFF] == palette->InverseMap()[key];
}

void DeleteImagingObjects() {
    delete stage.canvas;
    delete stage.blend;
    delete stage.palette;
    stage.canvas = nullptr;
    stage.blend = nullptr;
    stage.palette = nullptr;
}

}  // namespace

bool SetupStage(WORD paletteId) {
    stage.palette = new ShowPalette(paletteId, kShowPaletteCount);
    // The blend tables are computed through the inverse map, so a palette
    // without one stops here rather than inside the table build.
    if (stage.palette->Handle() == nullptr || stage.palette->InverseMap() == nullptr) {
        DeleteImagingObjects();
        return false;
    }
    stage.blend = new BlendTable(stage.palette, kBlendLevelBits);
    stage.canvas = new IndexedImage(kStageWidth, kStageHeight, 1, stage.palette);
    if (!BlendTableFilled(stage.blend, stage.palette) || stage.canvas->Pixels() == nullptr) {
        DeleteImagingObjects();
        return false;
    }
    stage.palette->Select(stage.screenDC);
    return true;
}

void ReleaseStage() {
    if (stage.palette == nullptr)
        return;
    stage.palette->Deselect(stage.screenDC);
    DeleteImagingObjects();
}
