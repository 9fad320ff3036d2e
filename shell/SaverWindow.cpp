// The saver window's procedure and its input rules.
#include "shell/SaverWindow.h"

#include "shell/DisplayMode.h"
#include "show/RenderThread.h"

const char kSaverWindowName[] = "Veltrona Avrel Screen Saver";

SaverWindowState saverWindow;

SaverWindowCalls saverWindowCalls = {StartRenderThread, Sleep};

namespace {

// No distance threshold: the first report is only where the pointer rests
// when the window appears; any other position means the user moved it.
void OnMouseMove(HWND window, LPARAM lParam) {
    // Unsigned 16-bit halves, so a report is never (-1, -1).
    const LONG x = LOWORD(lParam);
    const LONG y = HIWORD(lParam);
    POINT& first = saverWindow.firstMousePos;
    if (first.x == -1 && first.y == -1) {
        first = {x, y};
        return;
    }
    if (x == first.x && y == first.y) {
        return;
    }
    DestroyWindow(window);
}

}  // namespace

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            saverWindow.displaySwitched = SwitchDisplayMode();
            // Move before the show starts, so it measures the final client area.
            if (saverWindow.displaySwitched == 1) {
                MoveWindow(window, 0, 0, 800, 600, FALSE);
            }
            saverWindowCalls.startRenderThread(window);
            return 0;
        case WM_DESTROY:
            if (saverWindow.displaySwitched == 1) {
                // A short pause first, then the display goes back.
                saverWindowCalls.sleep(500);
                RestoreDisplayMode();
            }
            PostQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            DestroyWindow(window);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(window, lParam);
            return 0;
        case WM_SYSCOMMAND:
            // Exact values: the system's own saver request and Alt+F4's close
            // are swallowed; every other command, however close, goes on.
            if (wParam == SC_SCREENSAVE || wParam == SC_CLOSE) {
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
