// The stage's storage and its imaging set-up.
#include "show/Stage.h"

#include "effects/Filmstrip.h"
#include "effects/LineFadeGroup.h"
#include "imaging/BlendTable.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"
#include "show/PassPictures.h"

Stage stage;

namespace {

const int kBlendLevelBits = 3;
const int kShowPaletteCount = 256;

// Deletes what a stage field holds and clears it.
template <class T>
void Release(T*& field) {
    delete field;
    field = nullptr;
}

void DeleteImagingObjects() {
    Release(stage.canvas);
    Release(stage.blend);
    Release(stage.palette);
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

void ReleaseLineGroup() {
    Release(stage.lineGroup);
    Release(stage.lineSourceH);
    Release(stage.lineSourceV);
}

void ReleaseStage() {
    ReleaseLineGroup();
    Release(stage.centreLogo);
    Release(stage.cornerLogo);
    Release(stage.passPictures);
    if (stage.palette == nullptr)
        return;
    stage.palette->Deselect(stage.screenDC);
    DeleteImagingObjects();
}
