// Millisecond deadline pacing on the multimedia clock. Every frame loop
// keeps a local deadline that starts at 0 and runs: prepare the frame,
// WaitForDeadline, SetDeadline with the period, draw. So preparation counts
// into the period, the first frame is drawn at once and nothing waits after
// the last.
#pragma once

#include <windows.h>

// deadline = timeGetTime() + ms, in 32-bit unsigned arithmetic.
void SetDeadline(DWORD& deadline, DWORD ms);
// Sleeps once until `deadline` unless it has passed; 0 never waits.
void WaitForDeadline(DWORD deadline);
