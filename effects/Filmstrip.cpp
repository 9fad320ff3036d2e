// An animation cut from one tall picture: frame f is the band of rows
// f * frameHeight to (f + 1) * frameHeight - 1, counted from the top. Each
// frame becomes a device bitmap just before its wait and is deleted right
// after it is drawn. A frame whose bitmap cannot be made is skipped but
// keeps its place in time, so the rest of the animation stays on beat.
#include "effects/Filmstrip.h"

#include "imaging/DeviceBitmap.h"
#include "imaging/IndexedImage.h"
#include "effects/Pacing.h"

Filmstrip::Filmstrip(WORD resourceId, int frameCount, ShowPalette* palette)
    : frameCount(frameCount), strip(new IndexedImage(resourceId, palette)), frameHeight(0) {
    if (frameCount > 0)
        frameHeight = strip->Height() / frameCount;
}

Filmstrip::~Filmstrip() {
    delete strip;
}

void Filmstrip::Play(HDC dc, int x, int y, int period) {
    PlaySequence(dc, x, y, period, nullptr, 0);
}

void Filmstrip::PlaySequence(HDC dc, int x, int y, int period, const int* sequence, int length) {
    int n = sequence != nullptr ? length : frameCount;
    DWORD deadline = 0;
    for (int i = 0; i < n; ++i) {
        int frame = sequence != nullptr ? sequence[i] : i;
        // A frame number outside the strip gives no band and so no bitmap.
        DeviceBitmap* bitmap = strip->BandToDeviceBitmap(dc, frame * frameHeight, frameHeight);
        WaitForDeadline(deadline);
        SetDeadline(deadline, DWORD(period));
        if (bitmap != nullptr) {
            bitmap->Draw(dc, x, y);
            delete bitmap;
        }
    }
}

void Filmstrip::CopyLastFrame(IndexedImage* destination, int x, int y) {
    if (destination == nullptr || frameCount < 1)
        return;
    destination->CopyRect(x, y, strip->Width(), frameHeight, strip, 0,
                          (frameCount - 1) * frameHeight);
}
