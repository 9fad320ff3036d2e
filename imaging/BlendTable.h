// Palette blend tables: for each level n of 2^L - 1 levels, a 64 KB table
// whose byte at (a << 8) | b is the palette index nearest to n/2^L of a's
// colour plus (2^L - n)/2^L of b's, looked up through the palette's inverse
// map. A fade mixes a pixel pair with one byte read: the incoming index in
// the high byte, the outgoing one in the low byte.
#pragma once

#include <windows.h>

class ShowPalette;

class BlendTable {
public:
    BlendTable(ShowPalette* palette, int levelBits);
    virtual ~BlendTable();

    virtual ShowPalette* Palette();
    virtual int LevelBits();
    virtual int LevelCount();
    // The 65536-byte table of level n, 0 <= n < LevelCount(); no range check.
    virtual BYTE* Level(int n);

private:
    BlendTable(const BlendTable&) = delete;
    BlendTable& operator=(const BlendTable&) = delete;

    ShowPalette* palette;
    int levelBits;
    int levelCount;
    BYTE* tables;
};
