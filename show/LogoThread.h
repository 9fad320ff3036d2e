// The logo thread: loops the corner logo animation just beyond the stage's
// lower-right corner, through a device context of its own, for the life of
// the process. It reads only stage fields written before it was created and
// never draws inside the stage.
#pragma once

#include <windows.h>

const int kCornerLogoSequenceLength = 123;
const int kCornerLogoPeriod = 100;  // ms per sequence entry
const int kCornerLogoPause = 800;   // ms between two cycles

// Writes the 123 frame numbers of one cycle: up to the hold on frame 35,
// a step back to 30, the hold on 40, and down again to frame 0.
void FillCornerLogoSequence(int* cornerLogoSequence);

// The thread procedure; ignores its argument. Never returns once it has a
// device context.
DWORD WINAPI LogoThread(LPVOID parameter);
