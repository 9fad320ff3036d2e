// A dithered cross-fade of one rectangle from an old picture (in
// `destination`) to a new one (in `source`), through the blend tables.
// Each step rewrites half the pixels, a checkerboard of two-pixel cells
// anchored at the rectangle's top-left corner; step k uses level k / 2 and
// the last two steps copy the new picture itself. The fade never writes
// into either picture: it renders into its own frame image.
#pragma once

#include <windows.h>

class BlendTable;
class IndexedImage;

class CrossFade {
public:
    CrossFade(IndexedImage* destination, int destX, int destY, int width, int height,
              IndexedImage* source, int sourceX, int sourceY, BlendTable* blend);
    virtual ~CrossFade();

    virtual int Width();
    virtual int Height();
    virtual int StepCount();
    // Renders step k (0 <= k < StepCount(), in increasing order) into the
    // frame and returns it; the frame stays owned by the fade.
    virtual IndexedImage* RenderStep(int k);
    // Plays every step at (x, y), one per `period` ms, the first at once.
    virtual void Run(HDC dc, int x, int y, int period);

private:
    CrossFade(const CrossFade&) = delete;
    CrossFade& operator=(const CrossFade&) = delete;

    IndexedImage* destination;
    int destX;
    int destY;
    int width;
    int height;
    IndexedImage* source;
    int sourceX;
    int sourceY;
    BlendTable* blend;
    WORD* keys;
    IndexedImage* frame;
    int stepCount;
};
