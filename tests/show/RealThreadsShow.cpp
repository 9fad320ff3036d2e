// The show on the real clock for a number of seconds (default 20), its
// render and logo threads running truly side by side, as on Windows. Built
// under ThreadSanitizer (preset tsan), where any report fails the run: the
// virtual clock runs one thread at a time, so only this sees genuine
// concurrency. Both threads must have drawn by the end.
//
// The show's threads never end, so the program leaves with _Exit, as the
// saver's process ends them on Windows, and runs no static destructors
// under their feet.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "standin/StandIn.h"
#include "show/RenderThread.h"
#include "show/Stage.h"

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    if (seconds < 1)
        seconds = 1;
    HWND window = standin::CreateScreenWindow(1024, 768);
    standin::RecordBlits(true);
    StartRenderThread(window);
    Sleep(DWORD(seconds) * 1000);

    size_t render = 0, logo = 0;
    for (const standin::BlitRecord& blit : standin::BlitLog()) {
        if (blit.threadId == stage.logoThreadId)
            ++logo;
        else if (blit.threadId == stage.renderThreadId)
            ++render;
    }
    std::printf("%d s on the real clock: %zu draws by the render thread, %zu by the logo thread\n",
                seconds, render, logo);
    std::fflush(stdout);
    std::_Exit(render > 0 && logo > 0 ? 0 : 1);
}
