// The saver window: a black, topmost popup over the whole screen whose
// creation starts the show and whose first input ends the saver. Any key or
// mouse button press, or any mouse position other than the first one
// reported, destroys it; destroying it puts the display back (if it was
// switched) and ends the message loop. It never draws; the show threads do.
#pragma once

#include <windows.h>

// Window-class name and window title.
extern const char kSaverWindowName[];

// State of the saver window, touched only by the window's thread.
struct SaverWindowState {
    // 1 when creating the window switched the display to 800 x 600.
    int displaySwitched = 0;
    // The first mouse position reported; (-1, -1) until then. Reported
    // coordinates are never negative, so it is written exactly once.
    POINT firstMousePos = {-1, -1};
};
extern SaverWindowState saverWindow;

// The calls the window makes outside the shell; tests put recorders here.
struct SaverWindowCalls {
    void (*startRenderThread)(HWND window);
    void(WINAPI* sleep)(DWORD ms);
};
extern SaverWindowCalls saverWindowCalls;

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
