// Controls of the Win32 stand-in that only tests and the native tools use.
// The portable code never includes this header.
#pragma once

#include <windows.h>

namespace standin {

// The compiled resource file (.res) that plays the program's own module.
// Every native executable links exactly one, as a Windows program links
// its resources; see ResourceBlob.S.in.
struct ResourceEntry {
    WORD type;      // ordinal type, 0 for string-named types
    WORD id;        // ordinal name, 0 for string names
    WORD language;  // language id
    const BYTE* data;
    DWORD size;
};

// All ordinal-named resources of the module, in file order.
const ResourceEntry* ModuleResources(size_t* count);

// Number of global memory blocks allocated and not yet freed.
long LiveGlobalBlocks();

// Makes the next `count` GlobalAlloc calls after `skip` successful ones fail,
// to exercise out-of-memory paths. FailGlobalAlloc(0, 0) turns it off.
void FailGlobalAlloc(long skip, long count);

}  // namespace standin
