// The nearest palette entry for every cell of a coarse RGB grid: 32 red x
// 64 green x 32 blue cells (5, 6 and 5 bits), 64 KB in all. Nearness is
// libjpeg's: squared distance with red weighted 2, green 3 and blue 1,
// measured to the centre of the cell, and among equally near entries the
// lowest index. The decoder dithers every picture through this table, so
// it must agree with the library's own quantizer cell for cell.
//
// Built whole, once, from the palette's colours (a few milliseconds); the
// palette never changes, so one table serves every picture. Also keeps a
// copy of the colours for the dithering's error terms. 1 to 256 entries.
#pragma once

#include <windows.h>

#include <cstdint>

class ShowPalette;

class PaletteCellMap {
public:
    static const int kRedBits = 5;
    static const int kGreenBits = 6;
    static const int kBlueBits = 5;
    static const int kCells = 1 << (kRedBits + kGreenBits + kBlueBits);

    explicit PaletteCellMap(ShowPalette* palette);
    virtual ~PaletteCellMap();

    // The cell of an 8-bit colour, an index into Cells().
    static int CellOf(int red, int green, int blue) {
        return (red >> (8 - kRedBits)) << (kGreenBits + kBlueBits) |
               (green >> (8 - kGreenBits)) << kBlueBits | (blue >> (8 - kBlueBits));
    }
    // kCells palette indices, one per cell.
    const BYTE* Cells() const { return cells; }
    // The colours of the entries, copied once: the dithering reads them for
    // every pixel and must not go through virtual calls to do it.
    const BYTE* Reds() const { return reds; }
    const BYTE* Greens() const { return greens; }
    const BYTE* Blues() const { return blues; }
    // Seven times each entry's red, green and blue, four values an entry
    // (the fourth unused): the dithering's share for the next pixel.
    const int16_t* SevenfoldColours() const { return sevenfold; }

private:
    PaletteCellMap(const PaletteCellMap&) = delete;
    PaletteCellMap& operator=(const PaletteCellMap&) = delete;

    void FillBox(int boxRed, int boxGreen, int boxBlue);
    int NearbyEntries(int minRed, int minGreen, int minBlue, BYTE* list) const;

    int count;
    BYTE reds[256];
    BYTE greens[256];
    BYTE blues[256];
    int16_t sevenfold[4 * 256];
    BYTE cells[kCells];
};
