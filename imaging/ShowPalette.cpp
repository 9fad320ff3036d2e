#include "imaging/ShowPalette.h"

#include <new>

#include "imaging/PaletteCellMap.h"
#include "imaging/RcData.h"

ShowPalette::ShowPalette(WORD resourceId, int count)
    // A negative count is an empty palette, not 65535 entries in a block of none.
    : count(count > 0 ? count : 0),
      inverseMap(nullptr),
      logicalPalette(nullptr),
      handle(nullptr),
      previous(nullptr),
      cellMap(nullptr) {
    DWORD size = 0;
    const BYTE* triples = LockRcData(resourceId, &size);
    logicalPalette = static_cast<LOGPALETTE*>(GlobalAlloc(GMEM_FIXED, 4 + 4 * SIZE_T(this->count)));
    if (logicalPalette != nullptr) {
        logicalPalette->palVersion = 0x300;
        logicalPalette->palNumEntries = WORD(this->count);
        PALETTEENTRY* entries = logicalPalette->palPalEntry;
        for (int i = 0; i < this->count; ++i) {
            // A missing or short resource leaves black entries rather than
            // reading past its end.
            bool present = triples != nullptr && DWORD(3 * i + 2) < size;
            entries[i].peRed = present ? triples[3 * i] : 0;
            entries[i].peGreen = present ? triples[3 * i + 1] : 0;
            entries[i].peBlue = present ? triples[3 * i + 2] : 0;
            entries[i].peFlags = 0;
        }
        handle = CreatePalette(logicalPalette);
    }
    DWORD mapSize = 0;
    inverseMap = LockRcData(WORD(resourceId + 1), &mapSize);
    if (mapSize < 32768)
        inverseMap = nullptr;
}

ShowPalette::~ShowPalette() {
    if (logicalPalette != nullptr)
        GlobalFree(logicalPalette);
    if (handle != nullptr)
        DeleteObject(handle);
    delete cellMap;
}

int ShowPalette::Count() {
    return count;
}
const BYTE* ShowPalette::InverseMap() {
    return inverseMap;
}
BYTE ShowPalette::Red(int i) {
    return logicalPalette->palPalEntry[i].peRed;
}
BYTE ShowPalette::Green(int i) {
    return logicalPalette->palPalEntry[i].peGreen;
}
BYTE ShowPalette::Blue(int i) {
    return logicalPalette->palPalEntry[i].peBlue;
}
DWORD ShowPalette::Colour(int i) {
    const PALETTEENTRY& entry = logicalPalette->palPalEntry[i];
    return DWORD(entry.peRed) << 16 | DWORD(entry.peGreen) << 8 | entry.peBlue;
}
HPALETTE ShowPalette::Handle() {
    return handle;
}

UINT ShowPalette::Select(HDC dc) {
    previous = SelectPalette(dc, handle, FALSE);
    return RealizePalette(dc);
}

void ShowPalette::Deselect(HDC dc) {
    SelectPalette(dc, previous, FALSE);
    previous = nullptr;
}

const PaletteCellMap* ShowPalette::CellMap() {
    if (cellMap == nullptr)
        cellMap = new (std::nothrow) PaletteCellMap(this);
    return cellMap;
}
