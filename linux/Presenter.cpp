// The presenter's loop: the show's damage into the image and onto the
// window, exposures, resizes and the ways out. The X side of things is
// linux/XConnection.
#include "linux/Presenter.h"

#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "linux/DamageQueue.h"
#include "show/StageScale.h"
#include "linux/ScreenImage.h"
#include "linux/XConnection.h"
#include "StandIn.h"

// A part of the in-memory screen that the image holds: where it is on that
// screen, where in the image, and where in the window (from the stage's
// top-left, in unscaled pixels).
struct ImagePart {
    RECT show;
    POINT image;
    POINT place;
};

namespace {

// At most this many events are taken before the presenter looks at the
// signals and the damage again: another client can keep the queue full for
// ever, and a signal must not wait for it to empty.
const int kEventsPerRound = 64;

// Where the show draws on its in-memory screen: the stage, with the show's
// own offsets in an 800 x 588 client, and the corner logo beyond its
// lower-right corner. Nothing else of that screen is ever drawn.
const int kStageX = (kFullViewWidth - 640) / 2;
const int kStageY = (kFullViewHeight - 480) / 2;
const RECT kStage = {kStageX, kStageY, kStageX + 640, kStageY + 480};
const RECT kLogo = {kStage.right, kStage.bottom, kStage.right + 80, kStage.bottom + 54};
// How the image holds them: the stage at its top-left and the logo below
// the stage's left end, which leaves out the box's empty corners.
const ImagePart kParts[2] = {{kStage, {0, 0}, {0, 0}}, {kLogo, {0, 480}, {640, 480}}};
const int kImageWidth = 640;
const int kImageHeight = 480 + 54;

// `rect` within `part`; false when they do not meet.
bool Within(const RECT& rect, const ImagePart& part, RECT* r) {
    *r = {std::max(rect.left, part.show.left), std::max(rect.top, part.show.top),
          std::min(rect.right, part.show.right), std::min(rect.bottom, part.show.bottom)};
    return r->left < r->right && r->top < r->bottom;
}

}  // namespace

Presenter::Presenter() : x(new PresenterX) {}

Presenter::~Presenter() {
    damage.reset();
    TakeBackScreen();
    CloseTarget(x.get());
}

int Presenter::ShowScreenWidth() {
    return kFullViewWidth;
}

int Presenter::ShowScreenHeight() {
    return kFullViewHeight;
}

std::string Presenter::Open(const Options& options) {
    ownWindow = options.target == Target::OwnWindow;
    return OpenTarget(x.get(), options);
}

int Presenter::WindowWidth() {
    return x->width;
}

int Presenter::WindowHeight() {
    return x->height;
}

void Presenter::Watch(HWND showScreen) {
    screen = showScreen;
    damage.reset(new DamageQueue(screen));
}

std::string Presenter::Attach(int requestedScale) {
    std::lock_guard<std::mutex> guard(drawing);
    requested = requestedScale;
    std::string error = Layout();
    // A put through shared memory is one short request: the drawing thread
    // sends it itself, which spares waking this thread for every frame.
    if (error.empty() && x->usesShm && x->threads)
        damage->Deliver(this);
    return error;
}

void Presenter::Changed(const RECT& rect) {
    std::lock_guard<std::mutex> guard(drawing);
    if (x->window == 0)
        return;
    Paint(rect);
    Put(rect);
    XFlush(x->display);
    // Flushing also reads what the server sent; events it read are the
    // presenter's to handle, and its poll no longer sees them.
    if (XEventsQueued(x->display, QueuedAlready) > 0)
        damage->Nudge();
}

// Places the stage for the window's present size, by the same rule as at
// the start; a new factor makes a new image, painted whole from the screen
// before anything of it is put, so no picture of the old size is ever seen.
std::string Presenter::Layout() {
    const int newScale = ChooseScale(x->width, x->height, requested);
    const StagePlace stage = StagePlaceFor(x->width, x->height, newScale);
    x->imageX = stage.x;
    x->imageY = stage.y;
    if (newScale == scale && x->image != nullptr)
        return "";
    TakeBackScreen();
    ReleaseImage(x.get());
    painter.reset();
    scale = newScale;
    const int width = kImageWidth, height = kImageHeight;
    if (LendScreen())
        return "";
    // Enlarged by the server where it can take the image through shared
    // memory and draw with RENDER; otherwise the image is made enlarged.
    int imageScale = scale;
    if (scale > 1 && x->format != nullptr) {
        x->image = MakeShmImage(x.get(), width, height);
        if (x->image != nullptr && MakeScaledSource(x.get(), width, height, scale))
            imageScale = 1;
        else
            ReleaseImage(x.get());
    }
    if (x->image == nullptr)
        x->image = MakeShmImage(x.get(), width * scale, height * scale);
    if (x->image == nullptr)
        x->image = MakePlainImage(x.get(), width * scale, height * scale);
    if (x->image == nullptr)
        return "no memory for a " + std::to_string(width * scale) + " x " +
               std::to_string(height * scale) + " image";
    PixelLayout layout = {uint32_t(x->visual->red_mask),    uint32_t(x->visual->green_mask),
                          uint32_t(x->visual->blue_mask),   x->image->bits_per_pixel,
                          x->image->byte_order == MSBFirst, x->opaqueBits};
    painter.reset(new ScreenImage(layout, imageScale));
    Paint(kStage);
    Paint(kLogo);
    if (x->serverScales)
        FillPixmap();
    return "";
}

// Where the visual's pixels are the stand-in's own (0x00RRGGBB in 32 bits,
// the server's byte order, no alpha to set), the shared image is the show's
// screen itself: the show draws straight into what the server reads, and
// nothing is painted or copied on the way. The server enlarges it, if need
// be, through the pixmap. False where that cannot be.
bool Presenter::LendScreen() {
    const uint32_t one = 1;
    uint8_t lowByte;
    std::memcpy(&lowByte, &one, 1);
    const bool sameOrder = (ImageByteOrder(x->display) == LSBFirst) == (lowByte == 1);
    if (!x->threads || x->depth != 24 || x->opaqueBits != 0 || !sameOrder ||
        x->visual->red_mask != 0xFF0000 || x->visual->green_mask != 0xFF00 ||
        x->visual->blue_mask != 0xFF || (scale > 1 && x->format == nullptr))
        return false;
    x->image = MakeShmImage(x.get(), kFullViewWidth, kFullViewHeight);
    if (x->image == nullptr)
        return false;
    if (x->image->bits_per_pixel != 32 || x->image->bytes_per_line != kFullViewWidth * 4 ||
        (scale > 1 && !MakeScaledSource(x.get(), kImageWidth, kImageHeight, scale)) ||
        !standin::LendWindowPixels(screen, reinterpret_cast<uint32_t*>(x->image->data))) {
        ReleaseImage(x.get());
        return false;
    }
    lent = true;
    if (x->serverScales)
        FillPixmap();
    return true;
}

// The screen's pixels back into the stand-in, before the image goes.
void Presenter::TakeBackScreen() {
    if (lent)
        standin::LendWindowPixels(screen, nullptr);
    lent = false;
}

// A new pixmap holds nothing defined: black where the show never draws,
// then what it has drawn.
void Presenter::FillPixmap() {
    XFillRectangle(x->display, x->pixmap, x->gc, 0, 0, unsigned(kImageWidth),
                   unsigned(kImageHeight));
    for (const ImagePart& part : kParts)
        Upload(part, part.show);
}

// Where a point of `part`, (dx, dy) from its top-left, lies in the image.
POINT Presenter::InImage(const ImagePart& part, int dx, int dy) const {
    if (lent)
        return {part.show.left + dx, part.show.top + dy};
    return {part.image.x + dx, part.image.y + dy};
}

// Paints one rectangle of the in-memory screen into the image.
void Presenter::Paint(const RECT& rect) {
    if (lent)
        return;  // the image is the screen
    for (const ImagePart& part : kParts) {
        RECT r;
        if (Within(rect, part, &r)) {
            const POINT origin = {part.show.left - part.image.x, part.show.top - part.image.y};
            painter->Paint(screen, r, reinterpret_cast<uint8_t*>(x->image->data),
                           size_t(x->image->bytes_per_line), origin);
        }
    }
}

// Puts one rectangle of the image, scaled, at its place in the window; the
// server clips what falls outside.
void Presenter::Put(const RECT& rect) {
    for (const ImagePart& part : kParts) {
        RECT r;
        if (!Within(rect, part, &r))
            continue;
        if (x->serverScales) {
            Upload(part, r);
            Enlarge(part, r);
            continue;
        }
        const int dx = r.left - part.show.left, dy = r.top - part.show.top;
        const POINT from = InImage(part, dx, dy);
        const int sx = from.x * scale, sy = from.y * scale;
        const int wx = x->imageX + (part.place.x + dx) * scale;
        const int wy = x->imageY + (part.place.y + dy) * scale;
        const unsigned w = unsigned((r.right - r.left) * scale);
        const unsigned h = unsigned((r.bottom - r.top) * scale);
        if (x->usesShm) {
            XShmPutImage(x->display, x->window, x->gc, x->image, sx, sy, wx, wy, w, h, False);
        } else {
            XPutImage(x->display, x->window, x->gc, x->image, sx, sy, wx, wy, w, h);
        }
    }
}

// Puts a rectangle of one part of the image, as it is, into the pixmap.
void Presenter::Upload(const ImagePart& part, const RECT& r) {
    const int dx = r.left - part.show.left, dy = r.top - part.show.top;
    const POINT from = InImage(part, dx, dy);
    XShmPutImage(x->display, x->pixmap, x->gc, x->image, from.x, from.y, part.image.x + dx,
                 part.image.y + dy, unsigned(r.right - r.left), unsigned(r.bottom - r.top), False);
}

// Draws a rectangle of one part of the pixmap, enlarged, at its place in the
// window.
void Presenter::Enlarge(const ImagePart& part, const RECT& r) {
    const int dx = r.left - part.show.left, dy = r.top - part.show.top;
    // Source coordinates are those after the transform, at window scale.
    XRenderComposite(x->display, PictOpSrc, x->source, None, x->target, (part.image.x + dx) * scale,
                     (part.image.y + dy) * scale, 0, 0, x->imageX + (part.place.x + dx) * scale,
                     x->imageY + (part.place.y + dy) * scale, unsigned((r.right - r.left) * scale),
                     unsigned((r.bottom - r.top) * scale));
}

// Black over the window but the stage and the corner logo.
void Presenter::FillAround() {
    const int left = x->imageX, top = x->imageY;
    const int right = left + 640 * scale, bottom = top + 480 * scale;
    const int logoRight = right + 80 * scale, logoBottom = bottom + 54 * scale;
    const int w = x->width, h = x->height;
    const int bands[6][4] = {{0, 0, w, top},
                             {0, top, left, bottom},
                             {right, top, w, bottom},
                             {0, bottom, right, logoBottom},
                             {logoRight, bottom, w, logoBottom},
                             {0, logoBottom, w, h}};
    XRectangle fills[6];
    int count = 0;
    for (const auto& b : bands) {
        const int l = std::max(b[0], 0), t = std::max(b[1], 0);
        const int r = std::min(b[2], w), u = std::min(b[3], h);
        if (l < r && t < u)
            fills[count++] = {short(l), short(t), (unsigned short)(r - l), (unsigned short)(u - t)};
    }
    if (count > 0)
        XFillRectangles(x->display, x->window, x->gc, fills, count);
}

// The whole window again from the image, which holds everything presented.
void Presenter::RedrawAll() {
    FillAround();
    if (x->serverScales) {
        // The pixmap holds everything presented: no bytes need to cross.
        for (const ImagePart& part : kParts)
            Enlarge(part, part.show);
        return;
    }
    Put(kStage);
    Put(kLogo);
}

void Presenter::HandleEvents(bool* done, bool* resized, bool* exposed) {
    Display* d = x->display;
    // Only what Xlib has already read: the loop reads the connection once,
    // when poll says it has something.
    for (int taken = 0; taken < kEventsPerRound && XEventsQueued(d, QueuedAlready) > 0; ++taken) {
        XEvent event;
        XNextEvent(d, &event);
        switch (event.type) {
            case Expose:
                *exposed = true;
                break;
            case ConfigureNotify:
                if (event.xconfigure.window == x->window &&
                    (event.xconfigure.width != x->width || event.xconfigure.height != x->height)) {
                    x->width = event.xconfigure.width;
                    x->height = event.xconfigure.height;
                    *resized = true;
                }
                break;
            case DestroyNotify:
                if (event.xdestroywindow.window == x->window) {
                    x->window = 0;
                    x->created = false;
                    *done = true;
                    return;
                }
                break;
            case KeyPress:
                if (ownWindow) {
                    KeySym key = XLookupKeysym(&event.xkey, 0);
                    if (key == XK_q || key == XK_Q || key == XK_Escape)
                        *done = true;
                }
                break;
            case ClientMessage:
                if (ownWindow && Atom(event.xclient.data.l[0]) == x->deleteWindow)
                    *done = true;
                break;
            default:
                break;
        }
    }
}

int Presenter::Run(int signalDescriptor) {
    Display* d = x->display;
    // Called right after the show starts: its screen is still black, and
    // whatever it drew since waits in the damage queue. Black costs the
    // server nothing to take.
    XFillRectangle(d, x->window, x->gc, 0, 0, unsigned(x->width), unsigned(x->height));
    XFlush(d);
    // One wake-up per frame of the show and per batch of events, and no
    // call that finds nothing: the connection is read only when poll says
    // it has something, the damage taken only when it was signalled, and
    // nothing here waits for the server, so a signal is seen however busy
    // it is. Puts of the shared image ask for no completion: the server has
    // read each before it reads the next request, and a rectangle painted
    // again before it did is put again right after, so the window always
    // ends with what the show drew, at no cost of a wake-up per frame.
    const int wake = damage->WakeDescriptor();
    bool done = false;
    while (!done) {
        // Without a wake descriptor, look for damage every 10 ms.
        const int timeout = XEventsQueued(d, QueuedAlready) > 0 ? 0 : wake < 0 ? 10 : -1;
        pollfd watched[3] = {
            {ConnectionNumber(d), POLLIN, 0}, {signalDescriptor, POLLIN, 0}, {wake, POLLIN, 0}};
        const int ready = poll(watched, 3, timeout);
        if (ready < 0 && errno != EINTR)
            break;
        if (watched[1].revents != 0)
            break;
        if (watched[0].revents != 0)
            XEventsQueued(d, QueuedAfterReading);
        std::lock_guard<std::mutex> guard(drawing);
        bool resized = false, exposed = false;
        HandleEvents(&done, &resized, &exposed);
        if (done)
            break;
        if (resized) {
            std::string error = Layout();
            if (!error.empty()) {
                std::fprintf(stderr, "avrel: %s\n", error.c_str());
                return 1;
            }
        }
        if (resized || exposed)
            RedrawAll();
        if (wake < 0 || watched[2].revents != 0) {
            for (const RECT& rect : damage->Take()) {
                Paint(rect);
                Put(rect);
            }
        }
        XFlush(d);
        if (x->window == 0)
            break;
    }
    // Errors from a window that its owner destroyed while we drew are no
    // concern of the user's.
    return 0;
}
