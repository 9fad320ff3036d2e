// Black windows over every monitor but the primary one, where the saver
// window and its stage are. They draw nothing but their black background,
// hide the pointer like the saver window, and close the saver by the same
// input rules, each with a first pointer position of its own. When the
// monitors change while the saver runs, the covers follow them.
#pragma once

#include <windows.h>

#include <vector>

// Window-class name of the covers.
extern const char kMonitorCoverClassName[];

struct MonitorCover {
    HWND window;
    POINT firstMousePos;
    RECT monitor;  // the monitor it covers, in desktop coordinates
};

// Touched only by the window thread.
struct MonitorCoverState {
    HINSTANCE instance = nullptr;
    HWND saver = nullptr;  // what input on a cover closes; null while not covering
    std::vector<MonitorCover> covers;
};
extern MonitorCoverState monitorCovers;

// Covers each monitor that is not the primary one with a black topmost
// window, shown without taking the activation from `saver`. Covers nothing
// when there is only one monitor; a cover that cannot be made is left out.
void CoverOtherMonitors(HINSTANCE instance, HWND saver);

// Lays the covers out again for the monitors as they are now, after a
// monitor was plugged in, unplugged, moved or switched to another
// resolution (WM_DISPLAYCHANGE): every monitor but the primary one has
// exactly one cover of its size, and no cover is left where no such monitor
// is (over the stage, say). A cover whose monitor did not change stays as it
// is; the saver window on the primary monitor is not touched. Does nothing
// before CoverOtherMonitors or after UncoverMonitors.
void LayOutMonitorCovers();

// Destroys the covers; later display changes make none.
void UncoverMonitors();

LRESULT CALLBACK MonitorCoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
