// Running the show on the stand-in's virtual clock for the show's tests: a
// screen window, the real render and logo threads (what they do is recorded
// by show/TraceRecorder), and the pictures and colours to build expected
// screens from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "show/TraceRecorder.h"
#include "standin/StandIn.h"

class IndexedImage;

// One pass of the show script, from its first operation to the next pass's.
const DWORD kPassMs = 84245;

// A screen window on the virtual clock with the render thread started on it,
// recording every block transfer (standin::BlitLog) unless `recordBlits` is
// false. The destructor stops both show threads, releases the stage and
// stops recording.
class ShowRun {
public:
    ShowRun(int clientWidth, int clientHeight, DWORD clockStart = kShowClockStart,
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
