// An animation stored as one tall picture: `frameCount` equal bands stacked
// from the top, frame 0 first. Each frame becomes a device bitmap just
// before it is drawn, so only one exists at a time.
#pragma once

#include <windows.h>

class IndexedImage;
class ShowPalette;

class Filmstrip {
public:
    Filmstrip(WORD resourceId, int frameCount, ShowPalette* palette);
    virtual ~Filmstrip();

    // Every frame once, in order; PlaySequence with no sequence.
    virtual void Play(HDC dc, int x, int y, int period);
    // The frames sequence[0..length-1], or every frame in order when
    // `sequence` is null; one per `period` ms, the first at once.
    virtual void PlaySequence(HDC dc, int x, int y, int period, const int* sequence, int length);
    // Copies the last frame into `destination` at (x, y).
    virtual void CopyLastFrame(IndexedImage* destination, int x, int y);

private:
    Filmstrip(const Filmstrip&) = delete;
    Filmstrip& operator=(const Filmstrip&) = delete;

    int frameCount;
    IndexedImage* strip;
    int frameHeight;
};
