// The stage's storage and its imaging set-up.
#include "show/Stage.h"

#include "effects/Filmstrip.h"
#include "effects/LineFadeGroup.h"
#include "imaging/BlendTable.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

Stage stage;

namespace {

const int kBlendLevelBits = 3;
const int kShowPaletteCount = 256;

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
    if (stage.blend->Level(0) == nullptr || stage.canvas->Pixels() == nullptr) {
        DeleteImagingObjects();
        return false;
    }
    stage.palette->Select(stage.screenDC);
    return true;
}

void ReleaseStage() {
    delete stage.lineGroup;
    delete stage.lineSourceH;
    delete stage.lineSourceV;
    delete stage.centreLogo;
    delete stage.cornerLogo;
    stage.lineGroup = nullptr;
    stage.lineSourceH = nullptr;
    stage.lineSourceV = nullptr;
    stage.centreLogo = nullptr;
    stage.cornerLogo = nullptr;
    if (stage.palette == nullptr)
        return;
    stage.palette->Deselect(stage.screenDC);
    DeleteImagingObjects();
}
