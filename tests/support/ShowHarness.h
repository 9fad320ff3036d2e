// Running the show on the stand-in's virtual clock for the show's tests: a
// screen window, the real render and logo threads, a recorder on the trace
// hook, and the pictures and colours to build expected screens from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "standin/StandIn.h"

class IndexedImage;

// Where the virtual clock starts by default; the times the harness reports
// are counted from the start of the current run.
const DWORD kClockStart = 100000;

// One scene or line operation, as the trace hook saw it.
struct TracedCall {
    std::string name;
    std::vector<int> arguments;
    DWORD start = 0;  // ms since kClockStart
    DWORD end = 0;
    int depth = 0;  // 1 for the parts of OpenChapter
    int step = 0;   // 1..86 within its pass
    int pass = 0;   // from 1
    // "ShowPicture 1000 0 0"
    std::string Text() const;
};

// Records every traced call while it is installed; `onEnded`, when set, runs
// on the render thread as each call returns.
class TraceRecorder {
public:
    TraceRecorder();
    virtual ~TraceRecorder();

    std::vector<TracedCall> calls;
    std::function<void(const TracedCall&)> onEnded;

private:
    static void Began(void* context, const char* operation, const int* arguments, int count);
    static void Ended(void* context, const char* operation);

    std::vector<size_t> open;
    int steps = 0;
};

// A screen window on the virtual clock with the render thread started on it,
// recording every block transfer (standin::BlitLog) unless `recordBlits` is
// false. The destructor stops both show threads, releases the stage and
// stops recording.
class ShowRun {
public:
    ShowRun(int clientWidth, int clientHeight, DWORD clockStart = kClockStart,
            bool recordBlits = true);
    virtual ~ShowRun();

    // Lets the show run until `ms` after the clock's start, including
    // everything drawn at that very moment.
    void RunUntil(DWORD ms);
    HWND window;
};

// ms since the current run's clock start.
DWORD ShowTime();

// The stage's 640 x 480 pixels on the window, 0xRRGGBB, top row first;
// 0 where the stage lies outside the client area.
std::vector<DWORD> ScreenStage(HWND window);
// An image's pixels as colours of the show palette, top row first.
std::vector<DWORD> Colours(IndexedImage* image);
// Pixel-by-pixel comparison: "" when equal, else where and how they differ.
std::string CompareColours(const std::vector<DWORD>& expected, const std::vector<DWORD>& actual,
                           int width);
