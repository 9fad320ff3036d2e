// The show as avrel-render records it while it plays: every operation with
// its times (show/TraceRecorder), when the first pass ended, and the
// contact sheet's cells, the stage after each operation of the first pass
// that leaves something to look at.
#pragma once

#include <windows.h>

#include <vector>

#include "render/PngFile.h"
#include "show/TraceRecorder.h"

class ShowRecording {
public:
    // Records the show that is about to start on `window`, on the show clock
    // from kShowClockStart.
    explicit ShowRecording(HWND window);
    virtual ~ShowRecording() = default;

    // ms of show time now.
    DWORD Now() const { return recorder.Now(); }
    const std::vector<TracedCall>& Calls() const { return recorder.calls; }
    bool FirstPassDone() const { return passesDone > 0; }
    // Show time at which the first pass ended, once it has.
    long FirstPassEnd() const { return passEnd; }
    const std::vector<RgbPicture>& SheetCells() const { return sheet; }

private:
    ShowRecording(const ShowRecording&) = delete;
    ShowRecording& operator=(const ShowRecording&) = delete;

    // On the render thread, as each operation ends.
    void Ended(const TracedCall& call);

    HWND window;
    TraceRecorder recorder;
    int passesDone = 0;
    long passEnd = 0;
    std::vector<RgbPicture> sheet;
};
