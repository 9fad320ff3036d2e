// Stand-in for the multimedia timer: the millisecond clock of the show.
#pragma once

#include <windows.h>

DWORD timeGetTime();

// Timer resolution: a process may ask for a finer period than the system's
// default tick, and must end each request it made.
typedef UINT MMRESULT;
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
