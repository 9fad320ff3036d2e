// A picture growing (or shrinking) about a centre point: frame i shows it at
// start + (end - start) * i / (frameCount - 1) percent, each frame drawn
// centred over the last without erasing.
#pragma once

#include <windows.h>

class IndexedImage;

class ZoomIn {
public:
    ZoomIn(IndexedImage* image, int startPercent, int endPercent, int frameCount);
    virtual ~ZoomIn();

    virtual void Run(HDC dc, int centreX, int centreY, int period);

private:
    ZoomIn(const ZoomIn&) = delete;
    ZoomIn& operator=(const ZoomIn&) = delete;

    IndexedImage* image;
    int startPercent;
    int endPercent;
    int frameCount;
};
