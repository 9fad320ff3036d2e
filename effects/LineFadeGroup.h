// Up to ten one-pixel lines, each a CrossFade from the canvas to a row of
// the horizontal source or a column of the vertical source, run in
// lockstep: every line renders its step, one wait, then all are drawn in a
// burst. With `commit` set, each line is copied into the canvas as it is
// added, after its fade has captured the canvas underneath.
#pragma once

#include <windows.h>

class BlendTable;
class CrossFade;
class IndexedImage;

class LineFadeGroup {
public:
    static const int kCapacity = 10;

    LineFadeGroup(IndexedImage* canvas, IndexedImage* horizontalSource,
                  IndexedImage* verticalSource, int commit, BlendTable* blend);
    virtual ~LineFadeGroup();

    // An eleventh line before Clear is refused; the group stays as it was.
    virtual void AddHorizontal(int x, int y, int length, int sourceRow);
    virtual void AddVertical(int x, int y, int length, int sourceColumn);
    virtual void Clear();
    // Draws entry i at (x + lineX[i], y + lineY[i]); returns at once when empty.
    virtual void Run(HDC dc, int x, int y, int period);

private:
    LineFadeGroup(const LineFadeGroup&) = delete;
    LineFadeGroup& operator=(const LineFadeGroup&) = delete;

    IndexedImage* canvas;
    IndexedImage* horizontalSource;
    IndexedImage* verticalSource;
    int commit;
    BlendTable* blend;
    CrossFade* fades[kCapacity];
    int lineX[kCapacity];
    int lineY[kCapacity];
    int count;
};
