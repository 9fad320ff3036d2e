// Up to ten one-pixel lines faded in lockstep: every line renders its step
// and becomes a device bitmap, then one wait, then all are drawn in the
// order they were added. Each line's fade captures the canvas before the
// line is committed, so a line crossing an earlier one fades from the
// earlier line's colours. An eleventh line is refused.
#include "effects/LineFadeGroup.h"

#include "effects/CrossFade.h"
#include "imaging/DeviceBitmap.h"
#include "imaging/IndexedImage.h"
#include "effects/Pacing.h"

LineFadeGroup::LineFadeGroup(IndexedImage* canvas, IndexedImage* horizontalSource,
                             IndexedImage* verticalSource, int commit, BlendTable* blend)
    : canvas(canvas),
      horizontalSource(horizontalSource),
      verticalSource(verticalSource),
      commit(commit),
      blend(blend),
      fades(),
      lineX(),
      lineY(),
      count(0) {}

LineFadeGroup::~LineFadeGroup() {
    Clear();
}

void LineFadeGroup::AddHorizontal(int x, int y, int length, int sourceRow) {
    if (count >= kCapacity)
        return;
    fades[count] = new CrossFade(canvas, x, y, length, 1, horizontalSource, 0, sourceRow, blend);
    lineX[count] = x;
    lineY[count] = y;
    ++count;
    if (commit != 0 && canvas != nullptr)
        canvas->CopyRect(x, y, length, 1, horizontalSource, 0, sourceRow);
}

void LineFadeGroup::AddVertical(int x, int y, int length, int sourceColumn) {
    if (count >= kCapacity)
        return;
    fades[count] = new CrossFade(canvas, x, y, 1, length, verticalSource, sourceColumn, 0, blend);
    lineX[count] = x;
    lineY[count] = y;
    ++count;
    if (commit != 0 && canvas != nullptr)
        canvas->CopyRect(x, y, 1, length, verticalSource, sourceColumn, 0);
}

void LineFadeGroup::Clear() {
    for (int i = 0; i < count; ++i) {
        delete fades[i];
        fades[i] = nullptr;
    }
    count = 0;
}

void LineFadeGroup::Run(HDC dc, int x, int y, int period) {
    DWORD deadline = 0;
    if (count == 0)
        return;
    DeviceBitmap* bitmaps[kCapacity] = {};
    // Entry 0 alone sets the number of steps; all share one blend table.
    for (int step = 0; step < fades[0]->StepCount(); ++step) {
        for (int i = 0; i < count; ++i) {
            IndexedImage* image = fades[i]->RenderStep(step);
            bitmaps[i] = image != nullptr ? image->ToDeviceBitmap(dc) : nullptr;
        }
        WaitForDeadline(deadline);
        SetDeadline(deadline, DWORD(period));
        for (int i = 0; i < count; ++i)
            if (bitmaps[i] != nullptr)
                bitmaps[i]->Draw(dc, x + lineX[i], y + lineY[i]);
        for (int i = 0; i < count; ++i) {
            delete bitmaps[i];
            bitmaps[i] = nullptr;
        }
    }
}
