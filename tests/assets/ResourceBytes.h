// The program's resources as bytes, and the little-endian fields in them.
#pragma once

#include <windows.h>

#include <cstdint>

const WORD kCursor = 1, kIcon = 3, kDialog = 5, kString = 6, kRcData = 10;
const WORD kGroupCursor = 12, kGroupIcon = 14, kVersion = 16;

struct Blob {
    const unsigned char* data;
    DWORD size;
};

// Resource `id` of numbered type `type`; no data when there is none.
inline Blob Load(WORD type, WORD id) {
    Blob blob = {nullptr, 0};
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
    if (found == NULL)
        return blob;
    HGLOBAL loaded = LoadResource(NULL, found);
    if (loaded == NULL)
        return blob;
    blob.data = static_cast<const unsigned char*>(LockResource(loaded));
    if (blob.data != nullptr)
        blob.size = SizeofResource(NULL, found);
    return blob;
}

inline unsigned Word(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
inline unsigned BigWord(const unsigned char* p) {
    return (p[0] << 8) | p[1];
}
inline unsigned long DWordAt(const unsigned char* p) {
    return Word(p) | (static_cast<unsigned long>(Word(p + 2)) << 16);
}
// A LONG field: negative above 0x7FFFFFFF wherever long is wider.
inline long SignedDWordAt(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(DWordAt(p)));
}
