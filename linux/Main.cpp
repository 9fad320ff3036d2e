// avrel: the Avrel show on an X display. The show's render and logo threads
// run unchanged on the Win32 stand-in's real clock, drawing into an
// in-memory screen just large enough for the stage and the corner logo;
// this thread presents what they draw, laid out for the window's size. SIGTERM, SIGINT and SIGHUP
// end it at once with status 0; bad input ends it with one line on stderr and status 1.
#include <windows.h>

#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "AvrelVersion.h"
#include "standin/ProgramFile.h"
#include "standin/StandIn.h"
#include "linux/FolderShow.h"
#include "linux/Options.h"
#include "linux/Presenter.h"
#include "maker/NameText.h"
#include "maker/PhotoFolder.h"
#include "show/RenderThread.h"
#include "show/ShowResources.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "avrel: %s\n", message.c_str());
    return 1;
}

// The show's threads never end; leaving without running static destructors
// keeps them from drawing into objects that are being torn down.
[[noreturn]] void Leave(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

// Blocks SIGTERM, SIGINT and SIGHUP before any thread exists, so that every
// thread inherits the mask and they arrive only through the descriptor it
// returns (-1 when it cannot be made), and ends the process with status 0
// when one comes, whatever the program is doing: making a show from a
// folder, or presenting. Xlib, asked whether events are queued, reads for
// as long as they keep coming, and another client can keep them coming.
int WatchEndings() {
    sigset_t endings;
    sigemptyset(&endings);
    sigaddset(&endings, SIGTERM);
    sigaddset(&endings, SIGINT);
    sigaddset(&endings, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endings, nullptr);
    int signals = signalfd(-1, &endings, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals < 0)
        return -1;
    std::thread([signals] {
        pollfd watched = {signals, POLLIN, 0};
        while (poll(&watched, 1, -1) < 0 && errno == EINTR) {
        }
        Leave(0);
    }).detach();
    return signals;
}

int Play(const Options& options, int signals) {
    // Never destroyed: leaving closes the connection, and the X server frees
    // the window, the graphics context and the shared image of a client that
    // has gone. An orderly close would first wait for the server and read
    // every event still on the way, which a busy desktop can make last
    // seconds after a signal.
    Presenter& presenter = *new Presenter;
    std::string error = presenter.Open(options);
    if (!error.empty())
        return Fail(error);
    HWND screen =
        standin::CreateScreenWindow(Presenter::ShowScreenWidth(), Presenter::ShowScreenHeight());
    if (screen == nullptr)
        return Fail("no memory for the screen");
    // The show starts before the image is made: its set-up and the image's
    // take about as long, and what it draws meanwhile waits as damage.
    presenter.Watch(screen);
    StartRenderThread(screen);
    error = presenter.Attach(options.scale);
    if (!error.empty())
        return Fail(error);
    return presenter.Run(signals);
}

}  // namespace

int main(int argc, char** argv) {
    // The show's threads make and free a few blocks per frame. In one arena
    // what one thread frees serves the next block of the other, where an
    // arena per thread would keep both threads' largest frames resident.
    mallopt(M_ARENA_MAX, 1);
    std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    std::string error = ParseOptions(args, std::getenv("XSCREENSAVER_WINDOW"), &options);
    if (!error.empty())
        Leave(Fail(error));
    if (options.help) {
        std::fputs(kUsage, stdout);
        Leave(0);
    }
    if (options.version) {
        std::printf("avrel %s\n", AVREL_VERSION);
        Leave(0);
    }
    if (!options.programFile.empty() &&
        !standin::OpenProgramFile(options.programFile.c_str(), ShowResources(), CheckPassPictures,
                                  &error))
        Leave(Fail(error));
    int signals = WatchEndings();
    if (signals < 0)
        Leave(Fail("cannot watch for signals"));
    if (!options.pictures.empty()) {
        maker::ShowWords words;
        if (!options.words.empty()) {
            std::vector<unsigned char> bytes;
            if (!maker::ReadWholeFile(options.words, &bytes, &error) ||
                !maker::ReadWordsFile(std::string(bytes.begin(), bytes.end()), options.words,
                                      &words, &error))
                Leave(Fail(maker::PrintableName(options.words) + ": " + error));
        }
        if (!options.name.empty())
            words.name = options.name;
        ServeFolderShow(options.pictures, words, options.shuffle);
    }
    Leave(Play(options, signals));
}
