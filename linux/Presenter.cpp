// The presenter's loop: the show's damage into the image and onto the
// window, exposures, resizes and the ways out. The X side of things is
// linux/XConnection.
#include "linux/Presenter.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "linux/DamageQueue.h"
#include "show/StageScale.h"
#include "linux/ScreenImage.h"
#include "linux/XConnection.h"
#include "standin/StandIn.h"

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
// own offsets in a client of the full view, and the corner logo beyond its
// lower-right corner. Nothing else of that screen is ever drawn.
const int kStageX = StageLeft(kFullViewWidth);
const int kStageY = StageTop(kFullViewHeight);
const RECT kStage = {kStageX, kStageY, kStageX + kStageWidth, kStageY + kStageHeight};
const RECT kLogo = {kStage.right, kStage.bottom, kStage.right + kCornerLogoWidth,
                    kStage.bottom + kCornerLogoHeight};
// How the image holds them: the stage at its top-left and the logo below
// the stage's left end, which leaves out the box's empty corners.
const ImagePart kParts[2] = {{kStage, {0, 0}, {0, 0}},
                             {kLogo, {0, kStageHeight}, {kStageWidth, kStageHeight}}};
const int kImageWidth = kStageWidth;
const int kImageHeight = kStageHeight + kCornerLogoHeight;

// `rect` within `part`; false when they do not meet.
bool Within(const RECT& rect, const ImagePart& part, RECT* r) {
    *r = {std::max(rect.left, part.show.left), std::max(rect.top, part.show.top),
          std::min(rect.right, part.show.right), std::min(rect.bottom, part.show.bottom)};
    return r->left < r->right && r->top < r->bottom;
}

}  // namespace

Presenter::Presenter() : x(new XConnection) {}

Presenter::~Presenter() {
    damage.reset();
    TakeBackScreen();
}

int Presenter::ShowScreenWidth() {
    return kFullViewWidth;
}

int Presenter::ShowScreenHeight() {
    return kFullViewHeight;
}

std::string Presenter::Open(const Options& options) {
    ownWindow = options.target == Target::OwnWindow;
    return x->Open(options);
}

int Presenter::WindowWidth() {
    return x->Width();
}

int Presenter::WindowHeight() {
    return x->Height();
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
    if (error.empty() && x->ImageShared() && x->Threaded())
        damage->Deliver(this);
    return error;
}

void Presenter::Changed(const RECT& rect) {
    std::lock_guard<std::mutex> guard(drawing);
    if (!x->HasWindow())
        return;
    Paint(rect);
    Put(rect);
    x->Flush();
    // Flushing also reads what the server sent; events it read are the
    // presenter's to handle, and its poll no longer sees them.
    if (x->EventsWaiting())
        damage->Nudge();
}

// Places the stage for the window's present size, by the same rule as at
// the start; a new factor makes a new image, painted whole from the screen
// before anything of it is put, so no picture of the old size is ever seen.
std::string Presenter::Layout() {
    const int newScale = ChooseScale(x->Width(), x->Height(), requested);
    const StagePlace stage = StagePlaceFor(x->Width(), x->Height(), newScale);
    place = {stage.x, stage.y};
    if (newScale == scale && x->HasImage())
        return "";
    TakeBackScreen();
    x->ReleaseImage();
    painter.reset();
    scale = newScale;
    const int width = kImageWidth, height = kImageHeight;
    if (LendScreen())
        return "";
    // Enlarged by the server where it can take the image through shared
    // memory and draw with RENDER; otherwise the image is made enlarged.
    int imageScale = scale;
    if (scale > 1 && x->CanEnlarge()) {
        if (x->MakeShmImage(width, height) && x->MakeScaledSource(width, height, scale))
            imageScale = 1;
        else
            x->ReleaseImage();
    }
    if (!x->HasImage() && !x->MakeShmImage(width * scale, height * scale) &&
        !x->MakePlainImage(width * scale, height * scale))
        return "no memory for a " + std::to_string(width * scale) + " x " +
               std::to_string(height * scale) + " image";
    painter.reset(new ScreenImage(x->ImageLayout(), imageScale));
    Paint(kStage);
    Paint(kLogo);
    if (x->ServerScales())
        FillPixmap();
    return "";
}

// Where the visual's pixels are the stand-in's own (0x00RRGGBB in 32 bits,
// the server's byte order, no alpha to set), the shared image is the show's
// screen itself: the show draws straight into what the server reads, and
// nothing is painted or copied on the way. The server enlarges it, if need
// be, through the pixmap. False where that cannot be.
bool Presenter::LendScreen() {
    if (!x->Threaded() || !x->VisualIsStandIns() || (scale > 1 && !x->CanEnlarge()))
        return false;
    if (!x->MakeShmImage(kFullViewWidth, kFullViewHeight))
        return false;
    if (x->ImageLayout().bitsPerPixel != 32 || x->ImageStride() != size_t(kFullViewWidth) * 4 ||
        (scale > 1 && !x->MakeScaledSource(kImageWidth, kImageHeight, scale)) ||
        !standin::LendWindowPixels(screen, reinterpret_cast<uint32_t*>(x->ImageData()))) {
        x->ReleaseImage();
        return false;
    }
    lent = true;
    if (x->ServerScales())
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
    x->FillPixmap(kImageWidth, kImageHeight);
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
            painter->Paint(screen, r, x->ImageData(), x->ImageStride(), origin);
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
        if (x->ServerScales()) {
            Upload(part, r);
            Enlarge(part, r);
            continue;
        }
        const int dx = r.left - part.show.left, dy = r.top - part.show.top;
        const POINT from = InImage(part, dx, dy);
        x->Put(from.x * scale, from.y * scale, place.x + (part.place.x + dx) * scale,
               place.y + (part.place.y + dy) * scale, (r.right - r.left) * scale,
               (r.bottom - r.top) * scale);
    }
}

// Puts a rectangle of one part of the image, as it is, into the pixmap.
void Presenter::Upload(const ImagePart& part, const RECT& r) {
    const int dx = r.left - part.show.left, dy = r.top - part.show.top;
    const POINT from = InImage(part, dx, dy);
    x->Upload(from.x, from.y, part.image.x + dx, part.image.y + dy, r.right - r.left,
              r.bottom - r.top);
}

// Draws a rectangle of one part of the pixmap, enlarged, at its place in the
// window.
void Presenter::Enlarge(const ImagePart& part, const RECT& r) {
    const int dx = r.left - part.show.left, dy = r.top - part.show.top;
    // Source coordinates are those after the transform, at window scale.
    x->Enlarge((part.image.x + dx) * scale, (part.image.y + dy) * scale,
               place.x + (part.place.x + dx) * scale, place.y + (part.place.y + dy) * scale,
               (r.right - r.left) * scale, (r.bottom - r.top) * scale);
}

// Black over the window but the stage and the corner logo.
void Presenter::FillAround() {
    const int left = place.x, top = place.y;
    const int right = left + kStageWidth * scale, bottom = top + kStageHeight * scale;
    const int logoRight = right + kCornerLogoWidth * scale;
    const int logoBottom = bottom + kCornerLogoHeight * scale;
    const int w = x->Width(), h = x->Height();
    const int bands[6][4] = {{0, 0, w, top},
                             {0, top, left, bottom},
                             {right, top, w, bottom},
                             {0, bottom, right, logoBottom},
                             {logoRight, bottom, w, logoBottom},
                             {0, logoBottom, w, h}};
    RECT fills[6];
    int count = 0;
    for (const auto& b : bands) {
        const RECT r = {std::max(b[0], 0), std::max(b[1], 0), std::min(b[2], w), std::min(b[3], h)};
        if (r.left < r.right && r.top < r.bottom)
            fills[count++] = r;
    }
    x->FillWindow(fills, count);
}

// The whole window again from the image, which holds everything presented.
void Presenter::RedrawAll() {
    FillAround();
    if (x->ServerScales()) {
        // The pixmap holds everything presented: no bytes need to cross.
        for (const ImagePart& part : kParts)
            Enlarge(part, part.show);
        return;
    }
    Put(kStage);
    Put(kLogo);
}

void Presenter::HandleEvents(bool* done, bool* resized, bool* exposed) {
    // Only what Xlib has already read: the loop reads the connection once,
    // when poll says it has something.
    for (int taken = 0; taken < kEventsPerRound && x->EventsWaiting(); ++taken) {
        switch (x->NextEvent()) {
            case WindowEvent::Exposed:
                *exposed = true;
                break;
            case WindowEvent::Resized:
                *resized = true;
                break;
            case WindowEvent::Gone:
                *done = true;
                return;
            case WindowEvent::QuitKey:
            case WindowEvent::CloseAsked:
                // Only in a window of its own: someone else's window is
                // theirs to close.
                if (ownWindow)
                    *done = true;
                break;
            case WindowEvent::Other:
                break;
        }
    }
}

int Presenter::Run(int signalDescriptor) {
    // Called right after the show starts: its screen is still black, and
    // whatever it drew since waits in the damage queue. Black costs the
    // server nothing to take.
    const RECT whole = {0, 0, x->Width(), x->Height()};
    x->FillWindow(&whole, 1);
    x->Flush();
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
        const int timeout = x->EventsWaiting() ? 0 : wake < 0 ? 10 : -1;
        pollfd watched[3] = {
            {x->Descriptor(), POLLIN, 0}, {signalDescriptor, POLLIN, 0}, {wake, POLLIN, 0}};
        const int ready = poll(watched, 3, timeout);
        if (ready < 0 && errno != EINTR)
            break;
        if (watched[1].revents != 0)
            break;
        if (watched[0].revents != 0)
            x->ReadEvents();
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
        x->Flush();
        if (!x->HasWindow())
            break;
    }
    // Errors from a window that its owner destroyed while we drew are no
    // concern of the user's.
    return 0;
}
