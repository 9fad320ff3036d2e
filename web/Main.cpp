// avrel.html's program: the Avrel show in a browser page. The show's render
// and logo threads run unchanged on the Win32 stand-in, as fibers on the
// page's one thread (platform/web), drawing into an in-memory screen that
// holds the stage centred with the corner logo beyond its lower-right
// corner; CanvasScreen puts what they change on the page's canvas. The
// page's script (web/page/avrel.js) scales and places the canvas and
// handles input, full screen and program files.
#include <windows.h>

#include <emscripten.h>

#include <string>

#include "standin/StandIn.h"
#include "standin/WebThreads.h"
#include "show/RenderThread.h"
#include "show/Stage.h"
#include "show/StageGeometry.h"
#include "web/CanvasScreen.h"
#include "web/ProgramChoice.h"

namespace {

struct Page {
    CanvasScreen canvas;
    ProgramChoice choice;
    HWND screen = nullptr;
    bool restart = false;
    std::string message;
};

Page& ThePage() {
    static Page* const page = new Page;  // the fibers outlive main's frame
    return *page;
}

void StartShow(Page& page) {
    page.screen = standin::CreateScreenWindow(kFullViewWidth, kFullViewHeight);
    page.canvas.Watch(page.screen);
    StartRenderThread(page.screen);
}

// The threads of the show that played never run again; what the stage
// holds is theirs no more, and a fresh show starts on a black screen.
void RestartShow(Page& page) {
    standin::AbandonAllThreads();
    ReleaseStage();
    HWND old = page.screen;
    stage = Stage{};
    standin::DestroyScreenWindow(old);
    StartShow(page);
}

// Gives the page back to the browser for `milliseconds` (for ever when
// negative), or until the page's script calls Module.avrelWake because
// there is work: a program file to play, or the show to resume.
EM_JS(void, WaitForWork, (int milliseconds), {
    Asyncify.handleSleep(function(wakeUp) {
        var timer = 0;
        var wake = function() {
            clearTimeout(timer);
            Module.avrelWake = function(){};
            wakeUp();
        };
        if (milliseconds >= 0)
            timer = setTimeout(wake, milliseconds);
        Module.avrelWake = wake;
    });
});

}  // namespace

extern "C" {

// Plays the program file at `path` (in the page's file system) from its
// start; the empty string when it passed the check, else the message.
EMSCRIPTEN_KEEPALIVE const char* avrelOpenProgramFile(const char* path) {
    Page& page = ThePage();
    page.message = page.choice.Open(path);
    if (page.message.empty())
        page.restart = true;
    return page.message.c_str();
}

// Holds the show (and its clock) or lets it go on.
EMSCRIPTEN_KEEPALIVE void avrelHold(int hold) {
    standin::HoldClock(hold != 0);
}

EMSCRIPTEN_KEEPALIVE int avrelHeld() {
    return standin::ClockHeld() ? 1 : 0;
}

}  // extern "C"

int main() {
    Page& page = ThePage();
    StartShow(page);
    for (;;) {
        if (page.restart) {
            page.restart = false;
            RestartShow(page);
        }
        const DWORD wait = standin::RunDueThreads();
        page.canvas.Present();
        WaitForWork(wait == standin::kNoThreadDue ? -1 : int(wait));
    }
}
