// Deadline pacing on the 32-bit millisecond clock. The clock wraps every
// 2^32 ms (49.7 days), so the time left is the signed difference of
// deadline and now: right across the wrap, and never more than the period
// that set the deadline. A deadline of 0 is "none yet" and never waits.
#include "effects/Pacing.h"

#include <mmsystem.h>

void SetDeadline(DWORD& deadline, DWORD ms) {
    deadline = timeGetTime() + ms;
}

void WaitForDeadline(DWORD deadline) {
    if (deadline == 0)
        return;
    LONG left = LONG(deadline - timeGetTime());
    if (left > 0)
        Sleep(DWORD(left));
}
