// avrel.html's program: the Avrel show in a browser page. The show's render
// and logo threads run unchanged on the Win32 stand-in, as fibers on the
// page's one thread (platform/web), drawing into an in-memory screen that
// holds the stage centred with the corner logo beyond its lower-right
// corner; CanvasScreen puts what they change on the page's canvas. The
// page's script (web/page/avrel.js) scales and places the canvas and
// handles input, full screen, program files and the visitor's photos,
// which a maker of their own makes into a personal show in a worker
// (web/MakerMain.cpp); that show plays here (PersonalShow).
#include <windows.h>

#include <emscripten.h>

#include <string>
#include <vector>

#include "standin/StandIn.h"
#include "standin/WebThreads.h"
#include "show/RenderThread.h"
#include "show/Stage.h"
#include "show/StageGeometry.h"
#include "web/CanvasScreen.h"
#include "web/PersonalShow.h"
#include "web/ProgramChoice.h"

namespace {

struct Page {
    CanvasScreen canvas;
    ProgramChoice choice;
    PersonalShow personal;
    HWND screen = nullptr;
    bool restart = false;
    std::string message;
    std::vector<unsigned char> out;  // a block for the page's script to copy
};

Page& ThePage() {
    static Page* const page = new Page;  // the fibers outlive main's frame
    return *page;
}

void StartShow(Page& page) {
    page.personal.Apply();
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
    if (page.message.empty()) {
        // A program file plays its own pictures.
        page.personal.Drop();
        page.restart = true;
    }
    return page.message.c_str();
}

// Plays the personal show packed in `size` bytes at `bytes` from its start;
// "" when it is one, else the message.
EMSCRIPTEN_KEEPALIVE const char* avrelServeShow(const unsigned char* bytes, int size) {
    Page& page = ThePage();
    page.message = page.personal.Take(bytes, size_t(size));
    if (page.message.empty())
        page.restart = true;
    return page.message.c_str();
}

// The show's own pictures again (or those of the chosen program file).
EMSCRIPTEN_KEEPALIVE void avrelOwnPictures() {
    Page& page = ThePage();
    page.personal.Drop();
    page.restart = true;
}

// The pictures a personal show is made over, packed for the maker, in the
// page's block (avrelBlock, avrelBlockSize).
EMSCRIPTEN_KEEPALIVE void avrelBasePictures() {
    Page& page = ThePage();
    page.out = page.personal.BasePictures();
}

EMSCRIPTEN_KEEPALIVE const unsigned char* avrelBlock() {
    return ThePage().out.data();
}

EMSCRIPTEN_KEEPALIVE int avrelBlockSize() {
    return int(ThePage().out.size());
}

// The block has been copied out.
EMSCRIPTEN_KEEPALIVE void avrelFreeBlock() {
    std::vector<unsigned char>().swap(ThePage().out);
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
