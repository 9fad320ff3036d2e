// The scene operations on the process-wide stage.
#include "show/SceneOperations.h"

#include "effects/CrossFade.h"
#include "effects/Filmstrip.h"
#include "effects/LineFadeGroup.h"
#include "effects/ZoomIn.h"
#include "imaging/IndexedImage.h"
#include "effects/Pacing.h"
#include "show/ShowTrace.h"
#include "show/Stage.h"

namespace {

const int kStepPeriod = 60;  // every cross-fade and line group run
const int kZoomStartPercent = 20;
const int kZoomEndPercent = 100;
const int kZoomFrames = 40;
const int kZoomPeriod = 35;
const DWORD kFilmstripLeadIn = 500;
const DWORD kFadeToBlackHold = 1500;
const DWORD kSwapLogoHold = 1500;
const DWORD kFadeLogoOutHold = 2000;
const int kStageCentreX = kStageWidth / 2;
const int kStageCentreY = kStageHeight / 2;

// A decoded picture, or null when the resource is missing, is not a
// picture or does not fit in memory. Only the low 16 bits of an id count.
IndexedImage* DecodePicture(int resourceId) {
    IndexedImage* picture = new IndexedImage(WORD(resourceId), stage.palette);
    if (picture->Pixels() == nullptr) {
        delete picture;
        return nullptr;
    }
    return picture;
}

// A zero-filled image: black, since palette entry 0 is black.
IndexedImage* BlackImage(int width, int height) {
    IndexedImage* black = new IndexedImage(width, height, 1, stage.palette);
    if (black->Pixels() == nullptr) {
        delete black;
        return nullptr;
    }
    return black;
}

// A cross-fade of the rectangle (x, y, width, height) of `from` to `to`,
// or null when its working frame could not be allocated. (Without its keys
// a fade still ends on the new picture, so the canvas stays true.)
CrossFade* MakeCrossFade(IndexedImage* from, int x, int y, int width, int height,
                         IndexedImage* to) {
    CrossFade* fade = new CrossFade(from, x, y, width, height, to, 0, 0, stage.blend);
    // Step 0 depends only on the keys, so rendering it ahead of the run
    // changes nothing; a fade without a frame renders nothing.
    if (fade->RenderStep(0) == nullptr) {
        delete fade;
        return nullptr;
    }
    return fade;
}

// The top-left stage point of a w x h rectangle centred on the stage.
int CentredLeft(int width) {
    return kStageCentreX - width / 2;
}
int CentredTop(int height) {
    return kStageCentreY - height / 2;
}

}  // namespace

void ShowPicture(int resourceId, int x, int y) {
    const int arguments[] = {resourceId, x, y};
    TracedOperation trace("ShowPicture", arguments, 3);
    IndexedImage* picture = DecodePicture(resourceId);
    if (picture == nullptr)
        return;
    int width = picture->Width();
    int height = picture->Height();
    // Nothing below clips, so a picture that would reach outside the canvas
    // is not shown at all.
    if (x < 0 || y < 0 || x + width > kStageWidth || y + height > kStageHeight) {
        delete picture;
        return;
    }
    CrossFade* fade = MakeCrossFade(stage.canvas, x, y, width, height, picture);
    if (fade != nullptr) {
        fade->Run(stage.screenDC, stage.offsetX + x, stage.offsetY + y, kStepPeriod);
        stage.canvas->CopyRect(x, y, width, height, picture, 0, 0);
        delete fade;
    }
    delete picture;
}

void FadeStageToBlack() {
    TracedOperation trace("FadeStageToBlack", nullptr, 0);
    DWORD deadline = 0;
    SetDeadline(deadline, kFadeToBlackHold);
    IndexedImage* black = BlackImage(kStageWidth, kStageHeight);
    if (black == nullptr)
        return;
    CrossFade* fade = MakeCrossFade(stage.canvas, 0, 0, kStageWidth, kStageHeight, black);
    if (fade != nullptr) {
        WaitForDeadline(deadline);
        fade->Run(stage.screenDC, stage.offsetX, stage.offsetY, kStepPeriod);
        stage.canvas->CopyRect(0, 0, kStageWidth, kStageHeight, black, 0, 0);
        delete fade;
    }
    delete black;
}

void BeginLines(int horizontalSourceId, int verticalSourceId) {
    const int arguments[] = {horizontalSourceId, verticalSourceId};
    TracedOperation trace("BeginLines", arguments, 2);
    IndexedImage* horizontal = DecodePicture(horizontalSourceId);
    IndexedImage* vertical = horizontal != nullptr ? DecodePicture(verticalSourceId) : nullptr;
    if (vertical == nullptr) {
        delete horizontal;
        return;
    }
    // A group still open (a script that never ran its last lines) is
    // closed rather than leaked.
    ReleaseLineGroup();
    stage.lineSourceH = horizontal;
    stage.lineSourceV = vertical;
    stage.lineGroup = new LineFadeGroup(stage.canvas, horizontal, vertical, 1, stage.blend);
}

void RunLines(int finish) {
    const int arguments[] = {finish};
    TracedOperation trace("RunLines", arguments, 1);
    if (stage.lineGroup == nullptr)
        return;
    stage.lineGroup->Run(stage.screenDC, stage.offsetX, stage.offsetY, kStepPeriod);
    stage.lineGroup->Clear();
    if (finish != 0) {
        ReleaseLineGroup();
    }
}

void PlayFilmstrip(int resourceId, int x, int y, int frameCount, int frameDelayMs) {
    const int arguments[] = {resourceId, x, y, frameCount, frameDelayMs};
    TracedOperation trace("PlayFilmstrip", arguments, 5);
    DWORD deadline = 0;
    SetDeadline(deadline, kFilmstripLeadIn);
    // The filmstrip reports nothing about its picture, so a missing one is
    // caught before it is made; one that does not decode draws and commits
    // nothing.
    if (frameCount < 1 ||
        FindResourceA(nullptr, MAKEINTRESOURCEA(WORD(resourceId)), RT_RCDATA) == nullptr) {
        return;
    }
    Filmstrip* filmstrip = new Filmstrip(WORD(resourceId), frameCount, stage.palette);
    WaitForDeadline(deadline);
    filmstrip->Play(stage.screenDC, stage.offsetX + x, stage.offsetY + y, frameDelayMs);
    filmstrip->CopyLastFrame(stage.canvas, x, y);
    delete filmstrip;
}

void ZoomLogoIn(int resourceId) {
    const int arguments[] = {resourceId};
    TracedOperation trace("ZoomLogoIn", arguments, 1);
    IndexedImage* logo = DecodePicture(resourceId);
    if (logo == nullptr)
        return;
    delete stage.centreLogo;  // only ever set here by a broken script
    stage.centreLogo = logo;
    ZoomIn* zoom = new ZoomIn(logo, kZoomStartPercent, kZoomEndPercent, kZoomFrames);
    zoom->Run(stage.screenDC, stage.offsetX + kStageCentreX, stage.offsetY + kStageCentreY,
              kZoomPeriod);
    delete zoom;
}

void SwapLogo(int resourceId) {
    const int arguments[] = {resourceId};
    TracedOperation trace("SwapLogo", arguments, 1);
    DWORD deadline = 0;
    SetDeadline(deadline, kSwapLogoHold);
    if (stage.centreLogo == nullptr)
        return;
    // The new logo is decoded before the old one goes, so that a logo that
    // cannot be decoded leaves the old one in place.
    IndexedImage* logo = DecodePicture(resourceId);
    if (logo == nullptr)
        return;
    delete stage.centreLogo;
    stage.centreLogo = logo;
    int x = CentredLeft(logo->Width());
    int y = CentredTop(logo->Height());
    WaitForDeadline(deadline);
    logo->Draw(stage.screenDC, stage.offsetX + x, stage.offsetY + y);
}

void FadeLogoOut() {
    TracedOperation trace("FadeLogoOut", nullptr, 0);
    DWORD deadline = 0;
    SetDeadline(deadline, kFadeLogoOutHold);
    IndexedImage* logo = stage.centreLogo;
    if (logo == nullptr)
        return;
    int width = logo->Width();
    int height = logo->Height();
    int x = CentredLeft(width);
    int y = CentredTop(height);
    IndexedImage* black = BlackImage(width, height);
    if (black == nullptr)
        return;
    CrossFade* fade = MakeCrossFade(logo, 0, 0, width, height, black);
    if (fade == nullptr) {
        delete black;
        return;
    }
    WaitForDeadline(deadline);
    fade->Run(stage.screenDC, stage.offsetX + x, stage.offsetY + y, kStepPeriod);
    delete fade;
    delete black;
    delete logo;
    stage.centreLogo = nullptr;
}

void OpenChapter(int logoId, int backgroundId, int pictureId, int pictureX) {
    const int arguments[] = {logoId, backgroundId, pictureId, pictureX};
    TracedOperation trace("OpenChapter", arguments, 4);
    ZoomLogoIn(logoId);
    FadeLogoOut();
    ShowPicture(backgroundId, 0, 0);
    ShowPicture(pictureId, pictureX, 0);
}
