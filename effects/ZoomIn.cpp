// A picture scaled about a centre point, frame i at
// start + (end - start) * i / (frameCount - 1) percent. The picture becomes
// a device bitmap once; a new scaled copy is made only when the percentage
// changes. When a bitmap cannot be made the frames still keep their time
// and nothing is drawn for them.
#include "effects/ZoomIn.h"

#include "imaging/DeviceBitmap.h"
#include "imaging/IndexedImage.h"
#include "effects/Pacing.h"

ZoomIn::ZoomIn(IndexedImage* image, int startPercent, int endPercent, int frameCount)
    : image(image), startPercent(startPercent), endPercent(endPercent), frameCount(frameCount) {}

ZoomIn::~ZoomIn() {}

void ZoomIn::Run(HDC dc, int centreX, int centreY, int period) {
    DeviceBitmap* full = image != nullptr ? image->ToDeviceBitmap(dc) : nullptr;
    DeviceBitmap* current = full != nullptr ? new DeviceBitmap(dc, full, startPercent) : nullptr;
    int currentPercent = startPercent;
    DWORD deadline = 0;
    for (int i = 0; i < frameCount; ++i) {
        // One frame alone is the start; the formula would divide by zero.
        int percent = startPercent;
        if (frameCount > 1)
            percent =
                int(startPercent + (long long)(endPercent - startPercent) * i / (frameCount - 1));
        if (percent != currentPercent && full != nullptr) {
            delete current;
            current = new DeviceBitmap(dc, full, percent);
            currentPercent = percent;
        }
        WaitForDeadline(deadline);
        SetDeadline(deadline, DWORD(period));
        if (current != nullptr)
            current->Draw(dc, centreX - current->Width() / 2, centreY - current->Height() / 2);
    }
    delete current;
    delete full;
}
