// avrel-render show: plays the show on the stand-in's virtual clock, with
// the real render and logo threads on a window of the given client size,
// and writes what a person would have seen:
//   screen-<ms>.png   the whole window at the asked-for moments;
//   timeline.jsonl    every scene and line operation with its arguments and
//                     its start and end in ms of show time;
//   contact-sheet.png the stage after each operation of the first pass that
//                     leaves something to look at, scaled to a quarter.
// A pass takes about 84 s of show time and a few seconds to render.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "render/Commands.h"
#include "render/ContactSheet.h"
#include "render/PngFile.h"
#include "render/ShowOptions.h"
#include "render/ShowRecording.h"
#include "render/Thumbnails.h"
#include "render/Timeline.h"
#include "show/RenderThread.h"
#include "show/ShowTrace.h"
#include "standin/StandIn.h"

namespace {

// Lets the show run up to show time `ms`, with everything due then drawn.
void RunUntil(const ShowRecording& recording, long ms) {
    long now = long(recording.Now());
    if (ms > now)
        Sleep(DWORD(ms - now));
    Sleep(0);
}

// Screenshots at the asked-for moments, in order: --every runs up to --to,
// or to the end of the first pass when none is given, which is known only
// once the pass is over; --at is taken as is. 0, or 1 when one could not be
// written.
int CaptureScreens(const ShowOptions& options, const ShowRecording& recording, HWND window) {
    std::vector<long> at = options.at;
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    size_t nextAt = 0;
    long nextEvery = options.every != 0 ? options.from : -1;
    for (;;) {
        bool fromEvery = nextEvery >= 0 && (nextAt == at.size() || nextEvery <= at[nextAt]);
        if (!fromEvery && nextAt == at.size())
            return 0;
        long ms = fromEvery ? nextEvery : at[nextAt];
        if (fromEvery) {
            if (options.to >= 0 && ms > options.to) {
                nextEvery = -1;
                continue;
            }
            nextEvery += options.every;
            if (nextAt < at.size() && at[nextAt] == ms)
                ++nextAt;
        } else {
            ++nextAt;
        }
        RunUntil(recording, ms);
        if (fromEvery && options.to < 0 && recording.FirstPassDone() &&
            ms > recording.FirstPassEnd()) {
            nextEvery = -1;
            continue;
        }
        char name[64];
        std::snprintf(name, sizeof name, "/screen-%06ld.png", ms);
        if (!WritePng(options.out + name, WindowPicture(window))) {
            std::fprintf(stderr, "avrel-render show: cannot write '%s%s'\n", options.out.c_str(),
                         name);
            return 1;
        }
    }
}

}  // namespace

int ShowCommand(int argc, char** argv) {
    ShowOptions options;
    std::string error = ParseShowOptions(argc, argv, &options);
    if (!error.empty()) {
        std::fprintf(stderr, "avrel-render show: %s\n%s", error.c_str(), kShowUsage);
        return 2;
    }
    std::error_code made;
    std::filesystem::create_directories(options.out, made);
    if (made || !std::filesystem::is_directory(options.out)) {
        std::fprintf(stderr, "avrel-render show: cannot make the folder '%s': %s\n",
                     options.out.c_str(), made ? made.message().c_str() : "not a folder");
        return 1;
    }

    standin::UseVirtualClock(kShowClockStart);
    HWND window = standin::CreateScreenWindow(options.width, options.height);
    ShowRecording recording(window);
    StartRenderThread(window);

    int status = CaptureScreens(options, recording, window);
    // At least one whole pass, for the contact sheet.
    while (status == 0 && !recording.FirstPassDone())
        RunUntil(recording, long(recording.Now()) + 1000);
    // Without --to the run ends with the first pass; a --from after that
    // would capture nothing at all, so it is refused rather than obeyed.
    if (status == 0 && options.to < 0 && options.from > recording.FirstPassEnd()) {
        std::fprintf(stderr,
                     "avrel-render show: --from %ld lies after the end of the first pass at %ld "
                     "ms; give --to as well\n%s",
                     options.from, recording.FirstPassEnd(), kShowUsage);
        status = 2;
    }
    long to = options.to >= 0 ? options.to : recording.FirstPassEnd();
    if (status == 0)
        RunUntil(recording, to);

    // The show's threads stay blocked until the process ends, as on Windows.
    standin::StopAllThreads();

    if (status == 0 &&
        !WriteTimeline(options.out + "/timeline.jsonl", recording.Calls(), options.from, to)) {
        std::fprintf(stderr, "avrel-render show: cannot write '%s/timeline.jsonl'\n",
                     options.out.c_str());
        status = 1;
    }
    if (status == 0 &&
        !WritePng(options.out + "/contact-sheet.png", ContactSheet(recording.SheetCells()))) {
        std::fprintf(stderr, "avrel-render show: cannot write '%s/contact-sheet.png'\n",
                     options.out.c_str());
        status = 1;
    }
    return status;
}
