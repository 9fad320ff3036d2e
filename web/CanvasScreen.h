// The bridge between the stand-in's in-memory screen and the page's
// <canvas>: the show's threads report what they change through the damage
// hook; Present hands every changed rectangle, as RGBA pixels, to the
// page's script, which puts it on the canvas. Both run on the page's one
// thread, so nothing here is locked.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

class CanvasScreen {
public:
    CanvasScreen();
    virtual ~CanvasScreen();

    // Shows `screen` from now on: the canvas takes its size and all of it is
    // presented at the next Present.
    virtual void Watch(HWND screen);
    // Puts every rectangle changed since the last call on the canvas.
    virtual void Present();
    // What the damage hook calls.
    virtual void Add(HWND window, const RECT& changed);

private:
    CanvasScreen(const CanvasScreen&) = delete;
    CanvasScreen& operator=(const CanvasScreen&) = delete;

    HWND screen = nullptr;
    int width = 0;
    int height = 0;
    std::vector<RECT> pending;
    bool fresh = false;          // the canvas has not shown this screen yet
    std::vector<DWORD> rgb;      // one rectangle as the stand-in gives it
    std::vector<uint32_t> rgba;  // the whole screen as the canvas takes it
};
