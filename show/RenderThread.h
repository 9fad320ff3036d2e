// The show's threads. StartRenderThread is called by the saver window while
// it is being created; the render thread sets up the stage in the window's
// client area, starts the logo thread and plays the show script for ever.
// Neither thread is ever signalled, joined or stopped: the end of the
// process ends them.
#pragma once

#include <windows.h>

// Creates the render thread for `window` and closes its handle at once. On
// a window that is not visible yet (the saver window, still inside its
// creation) the thread takes its device context, and so starts to draw,
// only after StageWindowShown; on a visible window as soon as it can.
void StartRenderThread(HWND window);

// Called by the window's own thread once the window is on screen: shown and
// painted once. Until then the render thread draws nothing.
void StageWindowShown();

// The thread procedure; its argument is the window. Plays the show for ever
// and returns only when start-up cannot complete.
DWORD WINAPI RenderThread(LPVOID window);
