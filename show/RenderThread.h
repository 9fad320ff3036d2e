// The show's threads. StartRenderThread is called by the saver window while
// it is being created; the render thread sets up the stage in the window's
// client area, starts the logo thread and plays the show script for ever.
// Neither thread is ever signalled, joined or stopped: the end of the
// process ends them.
#pragma once

#include <windows.h>

// Creates the render thread for `window` and closes its handle at once.
void StartRenderThread(HWND window);

// The thread procedure; its argument is the window. Plays the show for ever
// and returns only when start-up cannot complete.
DWORD WINAPI RenderThread(LPVOID window);
