// avrel's side of the X connection: the display, the window it draws on
// (found, or made: a window of its own), the window's visual, and the
// images it puts, shared through MIT-SHM where the display offers it. The
// presenter drives them; nothing here knows the show.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrender.h>

#include <cstdint>
#include <string>

#include "linux/Options.h"

// Everything of X, kept out of the presenter's header so that nothing
// else sees Xlib.
struct PresenterX {
    Display* display = nullptr;
    Window window = 0;
    bool created = false;  // our own window, destroyed at the end
    int width = 0;
    int height = 0;
    Visual* visual = nullptr;
    int depth = 0;
    unsigned long black = 0;  // opaque black in the window's visual
    uint32_t opaqueBits = 0;  // the visual's alpha bits, set in every pixel
    GC gc = nullptr;
    Atom deleteWindow = 0;
    XImage* image = nullptr;
    XShmSegmentInfo shm = {};
    bool usesShm = false;
    bool threads = false;  // Xlib may be called from more than one thread
    // Scale 2 and more: the image, at 1x, goes into `pixmap`, and the
    // server draws that enlarged (RENDER, nearest neighbour), so that a
    // quarter of the bytes cross to it and it copies them once.
    bool serverScales = false;
    XRenderPictFormat* format = nullptr;  // the window's, when RENDER is there
    Pixmap pixmap = 0;
    Picture source = 0;  // the pixmap, read through the enlarging transform
    Picture target = 0;  // the window
    int imageX = 0;      // where the image's top-left, the stage's, lies in the window
    int imageY = 0;
};

// Opens the display and the target window and checks its visual; "" on
// success, else a one-line message (no display, no such window, a visual it
// cannot draw to).
std::string OpenTarget(PresenterX* x, const Options& options);
// Frees the image, the window of its own and the connection.
void CloseTarget(PresenterX* x);

// A shared-memory image when the display offers MIT-SHM and accepts the
// segment (a remote display does not), else null.
XImage* MakeShmImage(PresenterX* x, int width, int height);
// An image in this process's memory, put through the connection.
XImage* MakePlainImage(PresenterX* x, int width, int height);
// Lets go of the image and the pixmap the server enlarges from.
void ReleaseImage(PresenterX* x);
// The pixmap the server enlarges from, `scale` times, nearest neighbour:
// each window pixel takes the image pixel its centre falls in.
bool MakeScaledSource(PresenterX* x, int width, int height, int scale);
