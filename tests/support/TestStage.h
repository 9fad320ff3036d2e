// The stage on a 1024 x 768 screen window, built on the calling thread, for
// tests and benches that play the render thread's part themselves.
#pragma once

#include <windows.h>

// Opens the window, places the stage at (192, 144) and runs SetupStage on
// it; false when the set-up failed (the window is open either way).
bool OpenTestStage(HWND* window);
// Deletes whatever the stage holds, releases its device context and clears
// it; the show's threads must be stopped.
void ReleaseWholeStage();
// ReleaseWholeStage, then closes the window.
void CloseTestStage(HWND window);
