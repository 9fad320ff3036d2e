// Stand-in for the multimedia timer: the millisecond clock of the show.
#pragma once

#include <windows.h>

DWORD timeGetTime();
