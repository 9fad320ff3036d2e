// Builds the palette blend tables once: level n's byte at (a << 8) | b is
// the inverse map's entry for n parts of a's colour and 2^L - n parts of
// b's, cut to 5 bits per component. Without an inverse map the tables stay
// all 0 (black); without memory Level() gives null and the fades skip
// their blend steps.
#include "imaging/BlendTable.h"

#include "imaging/ShowPalette.h"

namespace {

// Beyond 8 level bits the tables would run to many megabytes; the show uses 3.
const int kMaxLevelBits = 8;

}  // namespace

BlendTable::BlendTable(ShowPalette* palette, int levelBits)
    : palette(palette),
      levelBits(levelBits),
      levelCount(levelBits >= 0 && levelBits <= kMaxLevelBits ? (1 << levelBits) - 1 : 0),
      tables(nullptr) {
    if (palette == nullptr || levelCount == 0)
        return;
    const BYTE* map = palette->InverseMap();
    tables = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, SIZE_T(levelCount) << 16));
    if (tables == nullptr || map == nullptr)
        return;

    // The colours are read once; entries past Count() are black.
    BYTE red[256] = {}, green[256] = {}, blue[256] = {};
    int count = palette->Count() < 256 ? palette->Count() : 256;
    for (int i = 0; i < count; ++i) {
        red[i] = palette->Red(i);
        green[i] = palette->Green(i);
        blue[i] = palette->Blue(i);
    }

    // The mix table turns two multiplications per component into one
    // lookup. It is laid out by a's component first, so the inner loop over
    // b reads within one 256-byte row.
    static_assert(sizeof(BYTE) == 1, "the mix table is 64 KB of bytes");
    BYTE* mix = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, 65536));
    if (mix == nullptr) {
        // Unfilled tables would pass for real ones; have none instead.
        GlobalFree(tables);
        tables = nullptr;
        return;
    }
    const int shift = levelBits + 3;
    BYTE* out = tables;
    for (int n = 0; n < levelCount; ++n) {
        const int w = levelCount + 1 - n;  // weight of b; n is a's
        for (int p = 0; p < 256; ++p)
            for (int q = 0; q < 256; ++q)
                mix[p * 256 + q] = BYTE((p * n + q * w) >> shift);
        for (int a = 0; a < 256; ++a) {
            const BYTE* mixRed = mix + red[a] * 256;
            const BYTE* mixGreen = mix + green[a] * 256;
            const BYTE* mixBlue = mix + blue[a] * 256;
            for (int b = 0; b < 256; ++b) {
                int key = mixRed[red[b]] << 10 | mixGreen[green[b]] << 5 | mixBlue[blue[b]];
                *out++ = map[key];
            }
        }
    }
    GlobalFree(mix);
}

BlendTable::~BlendTable() {
    if (tables != nullptr)
        GlobalFree(tables);
}

ShowPalette* BlendTable::Palette() {
    return palette;
}
int BlendTable::LevelBits() {
    return levelBits;
}
int BlendTable::LevelCount() {
    return levelCount;
}

BYTE* BlendTable::Level(int n) {
    if (tables == nullptr)
        return nullptr;
    return tables + (SIZE_T(n) << 16);
}
