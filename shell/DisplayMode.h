// The display-mode switch: while the saver runs, and only when the
// ChangeResolution flag is set, the display is switched to 800 x 600 for
// this process (not stored) and put back afterwards.
#pragma once

#include <windows.h>

// The one system call this file makes. Tests replace it with a recorder; the
// default is the real ChangeDisplaySettingsA.
using ChangeDisplaySettingsCall = LONG(WINAPI*)(DEVMODEA* mode, DWORD flags);
extern ChangeDisplaySettingsCall changeDisplaySettings;

// Flag 0: returns 0 and touches nothing. Otherwise tests 800 x 600 (colour
// depth and refresh left as they are), sets it only if the test passed, and
// returns 1 if the mode was set, else 0.
int SwitchDisplayMode();

// Returns the display to the mode stored in the registry; returns the status.
LONG RestoreDisplayMode();
