// What the show did, as its trace hook (show/ShowTrace.h) reports it: every
// scene and line operation with its arguments, the step and pass it belongs
// to, and when it started and ended in show time. For the tools and tests
// that run the show on the stand-in's virtual clock; the saver never makes
// one.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "show/ShowTrace.h"

// Where tools and tests start the virtual clock: a whole number of ticks of
// the Windows timer (15.625 ms), so that a run on the coarse timer starts
// on a tick as well.
const DWORD kShowClockStart = 100000;

// One scene or line operation.
struct TracedCall {
    std::string name;
    std::vector<int> arguments;
    DWORD start = 0;  // ms since the recorder's clock start
    DWORD end = 0;
    bool ended = false;  // false while it runs, and if the run stopped inside it
    int depth = 0;       // 1 for the parts of OpenChapter
    int step = 0;        // 1..kShowStepCount within its pass
    int pass = 0;        // from 1
    // "ShowPicture 1000 0 0"
    std::string Text() const;
};

// Records every traced call while it lives; there is one trace hook, so one
// recorder at a time. Make it before the render thread starts.
class TraceRecorder {
public:
    // Show time counts from `clockStart` on the clock timeGetTime reads.
    explicit TraceRecorder(DWORD clockStart = kShowClockStart);
    virtual ~TraceRecorder();

    // ms of show time now.
    DWORD Now() const;

    std::vector<TracedCall> calls;
    // Runs on the render thread as each call ends, when set.
    std::function<void(const TracedCall&)> onEnded;

private:
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    static void Began(void* context, const char* operation, const int* arguments, int count);
    static void Ended(void* context, const char* operation);

    ShowTrace trace;
    DWORD clockStart;
    std::vector<size_t> open;  // calls begun and not yet ended, outermost first
    int steps = 0;
};
