// Black windows over every monitor but the primary one, where the saver
// window and its stage are. They draw nothing but their black background,
// hide the pointer like the saver window, and close the saver by the same
// input rules, each with a first pointer position of its own.
#pragma once

#include <windows.h>

#include <vector>

// Window-class name of the covers.
extern const char kMonitorCoverClassName[];

struct MonitorCover {
    HWND window;
    POINT firstMousePos;
};

// Touched only by the window thread.
struct MonitorCoverState {
    HWND saver = nullptr;  // what input on a cover closes
    std::vector<MonitorCover> covers;
};
extern MonitorCoverState monitorCovers;

// Covers each monitor that is not the primary one with a black topmost
// window, shown without taking the activation from `saver`. Covers nothing
// when there is only one monitor; a cover that cannot be made is left out.
void CoverOtherMonitors(HINSTANCE instance, HWND saver);

// Destroys the covers.
void UncoverMonitors();

LRESULT CALLBACK MonitorCoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
