#include "imaging/RcData.h"

const BYTE* LockRcData(WORD id, DWORD* size) {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_RCDATA);
    if (resource == nullptr)
        return nullptr;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    if (loaded == nullptr)
        return nullptr;
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(loaded));
    if (bytes != nullptr)
        *size = SizeofResource(nullptr, resource);
    return bytes;
}
