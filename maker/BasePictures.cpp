#include "maker/BasePictures.h"

#include <windows.h>

#include "standin/StandIn.h"

namespace maker {

namespace {

bool IsJpeg(const BYTE* data, DWORD size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

}  // namespace

PictureSet ModulePictures() {
    PictureSet pictures;
    size_t count = 0;
    const standin::ResourceEntry* entries = standin::ModuleResources(&count);
    for (size_t i = 0; i < count; ++i) {
        const standin::ResourceEntry& e = entries[i];
        if (e.type == WORD(ULONG_PTR(RT_RCDATA)) && e.id != 0 && IsJpeg(e.data, e.size))
            pictures[e.id].assign(e.data, e.data + e.size);
    }
    return pictures;
}

}  // namespace maker
