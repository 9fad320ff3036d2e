// The input rules every window of the saver shares: any key or mouse button
// press closes the saver, and so does any pointer position other than the
// first one the window was told of. The system's own screen-saver request
// and Alt+F4's close are swallowed.
#pragma once

#include <windows.h>

// Follows the rules for a window whose input ends the saver by destroying
// `saver`. `firstMousePos` is that window's first reported pointer position,
// (-1, -1) until the first report, which is stored there; reported
// coordinates are unsigned 16-bit halves of lParam, never negative, so it is
// written exactly once. True when `message` was one of the rules' messages,
// which the window then answers with 0; false sends it on its own or the
// default path.
bool HandleSaverInput(HWND saver, UINT message, WPARAM wParam, LPARAM lParam,
                      POINT* firstMousePos);
