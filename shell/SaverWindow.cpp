// The saver window's procedure and its input rules.
#include "shell/SaverWindow.h"

#include "shell/DisplayMode.h"
#include "shell/DpiAwareness.h"
#include "shell/MonitorCovers.h"
#include "shell/SaverInput.h"
#include "show/RenderThread.h"

const char kSaverWindowName[] = "Veltrona Avrel Screen Saver";

SaverWindowState saverWindow;

SaverWindowCalls saverWindowCalls = {StartRenderThread, Sleep, timeBeginPeriod, timeEndPeriod};

int SaverShowCommand(int showCommand) {
    switch (showCommand) {
        case SW_HIDE:
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
        case SW_FORCEMINIMIZE:
            return SW_SHOW;
        default:
            return showCommand;
    }
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            // Held before the show starts: with the system's default tick of
            // 15.625 ms every frame would wait for the next tick.
            saverWindow.timerPeriodHeld = saverWindowCalls.timeBeginPeriod(1) == TIMERR_NOERROR;
            saverWindow.displaySwitched = SwitchDisplayMode();
            // Move before the show starts, so it measures the final client area.
            if (saverWindow.displaySwitched == 1) {
                MoveWindow(window, 0, 0, 800, 600, FALSE);
            }
            saverWindowCalls.startRenderThread(window);
            return 0;
        case WM_DESTROY:
            RemovePropA(window, kDpiAwarenessProperty);
            UncoverMonitors();
            if (saverWindow.displaySwitched == 1) {
                // A short pause first, then the display goes back.
                saverWindowCalls.sleep(500);
                RestoreDisplayMode();
            }
            if (saverWindow.timerPeriodHeld) {
                saverWindowCalls.timeEndPeriod(1);
                saverWindow.timerPeriodHeld = false;
            }
            PostQuitMessage(0);
            return 0;
        case WM_DISPLAYCHANGE:
            // A monitor plugged in, unplugged, moved or switched to another
            // resolution: the covers follow. The saver window stays as it is
            // on the primary monitor, whose own size only the display switch
            // changes.
            LayOutMonitorCovers();
            break;
        case WM_ACTIVATEAPP:
            // Another program took the activation: the keys now go there
            // while this topmost window would still cover the screen. Closed
            // through the queue, since a deactivation also comes while the
            // window is already being destroyed.
            if (wParam == FALSE) {
                PostMessageA(window, WM_CLOSE, 0, 0);
            }
            return 0;
        default:
            break;
    }
    if (HandleSaverInput(window, message, wParam, lParam, &saverWindow.firstMousePos)) {
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
