// avrel's side of the X connection: the display, the window it draws on
// (found, or made: a window of its own), the window's visual, the image it
// puts, shared through MIT-SHM where the display offers it, and the pixmap
// the server enlarges from. The presenter (linux/Presenter) drives it;
// nothing here knows the show, and nothing outside this pair sees Xlib.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "linux/Options.h"
#include "linux/ScreenImage.h"

// What an event from the server means to the presenter.
enum class WindowEvent {
    Other,       // nothing it acts on
    Exposed,     // part of the window must be drawn again
    Resized,     // Width() and Height() have changed
    Gone,        // the window was destroyed
    QuitKey,     // q, Q or Escape
    CloseAsked,  // the window manager's close button
};

class XConnection {
public:
    XConnection();
    // Frees the image, the window of its own and the connection.
    virtual ~XConnection();

    // Opens the display and the target window and checks its visual; "" on
    // success, else a one-line message (no display, no such window, a visual
    // it cannot draw to).
    virtual std::string Open(const Options& options);
    // The window's size, as last reported.
    virtual int Width() const;
    virtual int Height() const;
    // False once the window has gone.
    virtual bool HasWindow() const;
    // Xlib may be called from more than one thread (the show's drawing
    // threads put their frames through the same connection).
    virtual bool Threaded() const;
    // The connection's file descriptor, to poll.
    virtual int Descriptor() const;

    // ---- The image ----

    // A shared-memory image when the display offers MIT-SHM and accepts the
    // segment (a remote display does not); false otherwise.
    virtual bool MakeShmImage(int width, int height);
    // An image in this process's memory, put through the connection.
    virtual bool MakePlainImage(int width, int height);
    // Whether the window can be drawn on with RENDER, which enlarges.
    virtual bool CanEnlarge() const;
    // The pixmap the server enlarges from, `scale` times, nearest neighbour:
    // each window pixel takes the image pixel its centre falls in.
    virtual bool MakeScaledSource(int width, int height, int scale);
    // Lets go of the image and the pixmap the server enlarges from.
    virtual void ReleaseImage();
    virtual bool HasImage() const;
    // The image goes through shared memory.
    virtual bool ImageShared() const;
    // The image goes into the pixmap, and the server enlarges that.
    virtual bool ServerScales() const;
    virtual uint8_t* ImageData();
    virtual size_t ImageStride() const;
    // The image's pixels in memory.
    virtual PixelLayout ImageLayout() const;
    // The visual's pixels are the stand-in's own: 0x00RRGGBB in 32 bits, in
    // this machine's byte order, with no alpha to set.
    virtual bool VisualIsStandIns() const;

    // ---- Drawing ----

    // w x h pixels of the image from (sx, sy) onto the window at (wx, wy).
    virtual void Put(int sx, int sy, int wx, int wy, int w, int h);
    // w x h pixels of the image from (sx, sy) into the pixmap at (px, py).
    virtual void Upload(int sx, int sy, int px, int py, int w, int h);
    // w x h window pixels at (wx, wy) from the pixmap enlarged; (sx, sy) is
    // in enlarged pixmap pixels.
    virtual void Enlarge(int sx, int sy, int wx, int wy, int w, int h);
    // Black over `count` rectangles of the window.
    virtual void FillWindow(const RECT* rects, int count);
    // Black over the pixmap's top-left width x height.
    virtual void FillPixmap(int width, int height);
    // Sends what is buffered, and reads what the server sent meanwhile.
    virtual void Flush();

    // ---- Events ----

    // Events that Xlib has already read are waiting.
    virtual bool EventsWaiting();
    // Reads what the server has sent, without waiting for more.
    virtual void ReadEvents();
    // Takes the next waiting event; call only while EventsWaiting().
    virtual WindowEvent NextEvent();

private:
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    struct State;  // Xlib's handles, kept out of this header
    std::unique_ptr<State> x;
};
