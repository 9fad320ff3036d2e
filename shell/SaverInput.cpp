// The saver's input rules.
#include "shell/SaverInput.h"

namespace {

enum class SaverInput {
    NotInput,  // not one of the rules' messages
    Ignore,    // handled, nothing happens
    Close,     // the saver ends
};

SaverInput ClassifySaverInput(UINT message, WPARAM wParam, LPARAM lParam, POINT* firstMousePos) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            return SaverInput::Close;
        case WM_MOUSEMOVE: {
            // No distance threshold: the first report is only where the
            // pointer rests when the window appears; any other position
            // means the user moved it.
            const LONG x = LOWORD(lParam);
            const LONG y = HIWORD(lParam);
            POINT& first = *firstMousePos;
            if (first.x == -1 && first.y == -1) {
                first = {x, y};
                return SaverInput::Ignore;
            }
            return x == first.x && y == first.y ? SaverInput::Ignore : SaverInput::Close;
        }
        case WM_SYSCOMMAND:
            // Exact values: every other command, however close, goes on.
            return wParam == SC_SCREENSAVE || wParam == SC_CLOSE ? SaverInput::Ignore
                                                                 : SaverInput::NotInput;
        default:
            return SaverInput::NotInput;
    }
}

}  // namespace

bool HandleSaverInput(HWND saver, UINT message, WPARAM wParam, LPARAM lParam,
                      POINT* firstMousePos) {
    switch (ClassifySaverInput(message, wParam, lParam, firstMousePos)) {
        case SaverInput::Close:
            DestroyWindow(saver);
            return true;
        case SaverInput::Ignore:
            return true;
        case SaverInput::NotInput:
            break;
    }
    return false;
}
