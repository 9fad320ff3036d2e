// The program's own RT_RCDATA resources, used in place as the show keeps
// them: never copied, never released.
#pragma once

#include <windows.h>

// The locked bytes of resource `id` of the program's own module, with their
// count in `size`, or null (size untouched) when it is missing.
const BYTE* LockRcData(WORD id, DWORD* size);
