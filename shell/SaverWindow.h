// The saver window: a black, topmost popup over the primary monitor whose
// creation starts the show and whose first input ends the saver. Any key or
// mouse button press, any mouse position other than the first one reported,
// or the application losing the activation (Alt+Tab, a click on another
// program) destroys it; destroying it puts the display back (if it was
// switched) and ends the message loop. While it lives the saver holds the
// timer at 1 ms, so the show keeps its pace where the system tick is
// coarse. It never draws; the show threads do.
#pragma once

#include <windows.h>

#include <mmsystem.h>

// Window-class name and window title.
extern const char kSaverWindowName[];

// State of the saver window, touched only by the window's thread.
struct SaverWindowState {
    // 1 when creating the window switched the display to 800 x 600.
    int displaySwitched = 0;
    // The first mouse position reported; (-1, -1) until then. Reported
    // coordinates are never negative, so it is written exactly once.
    POINT firstMousePos = {-1, -1};
    // True while the saver holds the 1 ms timer period.
    bool timerPeriodHeld = false;
};
extern SaverWindowState saverWindow;

// The calls the window makes outside the shell; tests put recorders here.
struct SaverWindowCalls {
    void (*startRenderThread)(HWND window);
    void(WINAPI* sleep)(DWORD ms);
    MMRESULT(WINAPI* timeBeginPeriod)(UINT period);
    MMRESULT(WINAPI* timeEndPeriod)(UINT period);
};
extern SaverWindowCalls saverWindowCalls;

// The show command the saver window is shown with: a start that asks for a
// minimised or hidden window (a shortcut set to run minimised, `start /min`)
// would leave an icon that no input reaches, so those become SW_SHOW; every
// other command is kept.
int SaverShowCommand(int showCommand);

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
