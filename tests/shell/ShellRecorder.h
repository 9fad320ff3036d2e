// Stand-ins for the calls the shell makes outside itself (display settings,
// the render thread, the pause), recording each call in order.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "shell/DisplayMode.h"
#include "shell/SaverWindow.h"

struct DisplayCall {
    bool hasMode;
    DEVMODEA mode;
    DWORD flags;
};

struct ShellRecorder {
    std::vector<std::string> events;
    std::vector<DisplayCall> displayCalls;
    LONG testResult = DISP_CHANGE_SUCCESSFUL;
    LONG setResult = DISP_CHANGE_SUCCESSFUL;
    LONG restoreResult = DISP_CHANGE_SUCCESSFUL;
    // The window's rectangle when the render thread was started.
    RECT rectAtThreadStart = {};
    HWND threadWindow = nullptr;
    // timeBeginPeriod and timeEndPeriod calls, "begin 1" and "end 1", in order.
    std::vector<std::string> timerCalls;
};

// The one recorder the stand-ins write to; Install() resets it and puts the
// stand-ins in place, Uninstall() puts the real calls back.
ShellRecorder& Recorder();
void InstallRecorder();
void UninstallRecorder();
