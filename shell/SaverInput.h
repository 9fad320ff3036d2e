// The input rules every window of the saver shares: any key or mouse button
// press closes the saver, and so does any pointer position other than the
// first one the window was told of. The system's own screen-saver request
// and Alt+F4's close are swallowed.
#pragma once

#include <windows.h>

enum class SaverInput {
    NotInput,  // not one of the rules' messages: the window's own or the default path
    Ignore,    // handled, nothing happens
    Close,     // the saver ends
};

// What `message` means to a saver window whose first reported pointer
// position is `firstMousePos`; (-1, -1) until the first report, which is
// stored there. Reported coordinates are unsigned 16-bit halves of lParam,
// never negative, so the first position is written exactly once.
SaverInput ClassifySaverInput(UINT message, WPARAM wParam, LPARAM lParam, POINT* firstMousePos);
