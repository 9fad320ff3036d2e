// The only part of avrel that talks to X. It opens the display, finds or
// makes the window to draw on, checks its visual, and then, on the thread
// that calls Run, pushes to X every rectangle the show's threads change on
// the in-memory screen (through the damage queue), redraws from that screen
// on Expose, keeps the picture centred when the window is resized, and ends
// on a signal, on q / Escape / the close button in its own window, or when
// the window it draws into goes away.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "linux/Options.h"

class DamageQueue;
class ScreenImage;
struct PresenterX;

class Presenter {
public:
    Presenter();
    virtual ~Presenter();

    // Opens the display and the target window. "" on success, else a one-line
    // message (no display, no such window, a visual it cannot draw to).
    virtual std::string Open(const Options& options);
    // The target window's size, once open.
    virtual int WindowWidth();
    virtual int WindowHeight();
    // Watches the in-memory screen `screen` for damage from now on, so that
    // the show may start drawing on it before Attach.
    virtual void Watch(HWND screen);
    // Makes the image of the watched screen, drawn `scale` times larger.
    // "" on success.
    virtual std::string Attach(int scale);
    // Presents until a signal in `signalDescriptor` (a signalfd) arrives or
    // the user or the window ends it. Returns the exit status.
    virtual int Run(int signalDescriptor);

private:
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;

    void Present(const RECT& rect);
    void PresentAll(bool fromScreen);
    void HandleEvents(bool* done);

    std::unique_ptr<PresenterX> x;
    std::unique_ptr<DamageQueue> damage;
    std::unique_ptr<ScreenImage> painter;
    HWND screen = nullptr;
    int scale = 1;
    int screenWidth = 0;  // the in-memory screen
    int screenHeight = 0;
    bool ownWindow = false;
};
