// The show's one fixed 256-colour palette, in three forms: the colour list
// (a Windows logical palette block), the palette handle that is realised
// into the screen device context, and the 32 K inverse map from 15-bit
// colours to palette indices. Both come from the program's own resources:
// the colours from RCDATA `resourceId`, the inverse map from the next id.
// The resources are used in place and never released.
#pragma once

#include <windows.h>

class PaletteCellMap;

class ShowPalette {
public:
    ShowPalette(WORD resourceId, int count);
    virtual ~ShowPalette();

    virtual int Count();
    // 32768 bytes; the byte at (r5 << 10) | (g5 << 5) | b5 is the nearest
    // palette index to that colour.
    virtual const BYTE* InverseMap();
    // Components of entry i, 0 <= i < Count(); no range check.
    virtual BYTE Red(int i);
    virtual BYTE Green(int i);
    virtual BYTE Blue(int i);
    // Entry i as 0xRRGGBB, as a true-colour screen shows it; no range check.
    virtual DWORD Colour(int i);
    virtual HPALETTE Handle();
    // Selects the palette into `dc` as a foreground palette and realises it;
    // returns what RealizePalette returns.
    virtual UINT Select(HDC dc);
    // Puts back the palette that Select displaced.
    virtual void Deselect(HDC dc);

    // Every colour cell's nearest entry, for dithering decoded pictures onto
    // the palette. Built at the first call and kept, since the colours never
    // change; null when there is no memory for it. Render thread only.
    const PaletteCellMap* CellMap();

private:
    ShowPalette(const ShowPalette&) = delete;
    ShowPalette& operator=(const ShowPalette&) = delete;

    int count;
    const BYTE* inverseMap;
    LOGPALETTE* logicalPalette;
    HPALETTE handle;
    HPALETTE previous;
    PaletteCellMap* cellMap;
};
