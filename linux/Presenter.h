// avrel's front end to X, with linux/XConnection beside it (display,
// window, visual, images: everything of Xlib). It opens the display, finds
// or makes the window to draw on, checks its visual, and then pushes to X
// every rectangle the show's threads change on the in-memory screen: where
// the server takes images through shared memory, the drawing thread that
// changed it puts it at once; elsewhere the thread that calls Run does,
// from the damage queue. That thread also redraws on Expose, lays the stage
// out again whenever the window changes size, and ends on a signal, on q /
// Escape / the close button in its own window, or when the window it draws
// into goes away.
//
// The show runs on an in-memory screen of the full view's size whatever the
// window (show/StageGeometry.h): the stage centred and the corner logo
// beyond it, which is all it ever draws. The presenter places that stage in
// the window as the show would place it in a client of (window size /
// scale), so a resize needs no new show, only a new place and perhaps a new
// scale.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "linux/DamageQueue.h"
#include "linux/Options.h"

class ScreenImage;
class XConnection;
struct ImagePart;

class Presenter : private DamageQueue::Sink {
public:
    Presenter();
    ~Presenter() override;

    // Opens the display and the target window. "" on success, else a one-line
    // message (no display, no such window, a visual it cannot draw to).
    virtual std::string Open(const Options& options);
    // The target window's size, once open.
    virtual int WindowWidth();
    virtual int WindowHeight();
    // Watches the in-memory screen `screen` (ShowScreenWidth x
    // ShowScreenHeight) for damage from now on, so that the show may start
    // drawing on it before Attach.
    virtual void Watch(HWND screen);
    // Lays the watched screen out in the window: `requestedScale` times
    // larger, or with 0 the largest factor that fits, now and after every
    // resize. "" on success.
    virtual std::string Attach(int requestedScale);
    // Presents until a signal in `signalDescriptor` (a signalfd) arrives or
    // the user or the window ends it. Returns the exit status.
    virtual int Run(int signalDescriptor);

    static int ShowScreenWidth();
    static int ShowScreenHeight();

private:
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;

    // A frame straight from the drawing thread that drew it, when the
    // server takes images through shared memory.
    void Changed(const RECT& rect) override;
    std::string Layout();
    bool LendScreen();
    void TakeBackScreen();
    void FillPixmap();
    POINT InImage(const ImagePart& part, int dx, int dy) const;
    void Paint(const RECT& rect);
    void Put(const RECT& rect);
    void Upload(const ImagePart& part, const RECT& rect);
    void Enlarge(const ImagePart& part, const RECT& rect);
    void FillAround();
    void RedrawAll();
    void HandleEvents(bool* done, bool* resized, bool* exposed);

    std::unique_ptr<XConnection> x;
    std::unique_ptr<DamageQueue> damage;
    std::unique_ptr<ScreenImage> painter;
    // Held while the image, its layout or the window are used: by the
    // presenter's thread and by the drawing threads putting their frames.
    std::mutex drawing;
    HWND screen = nullptr;
    int requested = 0;     // 0: the largest factor that fits
    int scale = 0;         // of the image now made; 0 before the first
    POINT place = {0, 0};  // where the image's top-left, the stage's, lies in the window
    bool ownWindow = false;
    bool lent = false;  // the image is the show's screen itself
};
