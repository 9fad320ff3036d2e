#include "linux/Presenter.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "linux/DamageQueue.h"
#include "linux/ScreenImage.h"

// Everything of X, kept out of the header so that nothing else sees Xlib.
struct PresenterX {
    Display* display = nullptr;
    Window window = 0;
    bool created = false;  // our own window, destroyed at the end
    int width = 0;
    int height = 0;
    Visual* visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    Atom deleteWindow = 0;
    XImage* image = nullptr;
    XShmSegmentInfo shm = {};
    bool usesShm = false;
    int originX = 0;  // where the image's top-left lies in the window
    int originY = 0;
};

namespace {

// X errors arrive through a process-wide handler; only the presenter's
// thread talks to X, so a plain flag is enough to catch them.
int lastError = 0;

int NoteError(Display*, XErrorEvent* event) {
    lastError = event->error_code;
    return 0;
}

int LostDisplay(Display*) {
    std::fprintf(stderr, "avrel: lost the connection to the X display\n");
    std::fflush(stderr);
    std::_Exit(1);
}

const char* VisualClassName(int visualClass) {
    switch (visualClass) {
        case StaticGray:
            return "StaticGray";
        case GrayScale:
            return "GrayScale";
        case StaticColor:
            return "StaticColor";
        case PseudoColor:
            return "PseudoColor";
        case TrueColor:
            return "TrueColor";
        case DirectColor:
            return "DirectColor";
    }
    return "unknown";
}

int BitsPerPixel(Display* display, int depth) {
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int bits = 0;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == depth)
            bits = formats[i].bits_per_pixel;
    }
    if (formats != nullptr)
        XFree(formats);
    return bits;
}

// Makes a window of its own: the asked-for size, or the whole screen
// without decorations.
Window MakeWindow(PresenterX* x, const Options& options) {
    Display* d = x->display;
    int screen = DefaultScreen(d);
    int width = options.fullscreen ? DisplayWidth(d, screen) : options.width;
    int height = options.fullscreen ? DisplayHeight(d, screen) : options.height;
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = BlackPixel(d, screen);
    attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask;
    Window window = XCreateWindow(d, RootWindow(d, screen), 0, 0, unsigned(width), unsigned(height),
                                  0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixel | CWEventMask, &attributes);
    XStoreName(d, window, "Avrel");
    XClassHint hint = {const_cast<char*>("avrel"), const_cast<char*>("Avrel")};
    XSetClassHint(d, window, &hint);
    x->deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, window, &x->deleteWindow, 1);
    if (options.fullscreen) {
        Atom state = XInternAtom(d, "_NET_WM_STATE", False);
        Atom full = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
        XChangeProperty(d, window, state, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&full), 1);
    }
    XMapWindow(d, window);
    return window;
}

// A shared-memory image when the display offers MIT-SHM and accepts the
// segment (a remote display does not), else null.
XImage* MakeShmImage(PresenterX* x, int width, int height) {
    Display* d = x->display;
    if (!XShmQueryExtension(d))
        return nullptr;
    XImage* image = XShmCreateImage(d, x->visual, unsigned(x->depth), ZPixmap, nullptr, &x->shm,
                                    unsigned(width), unsigned(height));
    if (image == nullptr)
        return nullptr;
    x->shm.shmid =
        shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
    if (x->shm.shmid < 0) {
        XDestroyImage(image);
        return nullptr;
    }
    x->shm.shmaddr = image->data = static_cast<char*>(shmat(x->shm.shmid, nullptr, 0));
    x->shm.readOnly = False;
    lastError = 0;
    bool attached = x->shm.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(d, &x->shm);
    XSync(d, False);
    // Removed now, so the segment goes with the last of us and the server
    // to detach, however the process ends.
    shmctl(x->shm.shmid, IPC_RMID, nullptr);
    if (!attached || lastError != 0) {
        if (x->shm.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(x->shm.shmaddr);
        image->data = nullptr;
        XDestroyImage(image);
        lastError = 0;
        return nullptr;
    }
    x->usesShm = true;
    return image;
}

XImage* MakePlainImage(PresenterX* x, int width, int height) {
    XImage* image = XCreateImage(x->display, x->visual, unsigned(x->depth), ZPixmap, 0, nullptr,
                                 unsigned(width), unsigned(height), 32, 0);
    if (image == nullptr)
        return nullptr;
    image->data = static_cast<char*>(std::calloc(size_t(image->bytes_per_line), size_t(height)));
    if (image->data == nullptr) {
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

}  // namespace

Presenter::Presenter() : x(new PresenterX) {}

Presenter::~Presenter() {
    damage.reset();
    if (x->display == nullptr)
        return;
    if (x->image != nullptr) {
        if (x->usesShm) {
            XShmDetach(x->display, &x->shm);
            XSync(x->display, False);
            shmdt(x->shm.shmaddr);
            x->image->data = nullptr;
        }
        XDestroyImage(x->image);
    }
    if (x->gc != nullptr)
        XFreeGC(x->display, x->gc);
    if (x->created)
        XDestroyWindow(x->display, x->window);
    XCloseDisplay(x->display);
}

std::string Presenter::Open(const Options& options) {
    const char* name = options.display.empty() ? nullptr : options.display.c_str();
    x->display = XOpenDisplay(name);
    if (x->display == nullptr) {
        const char* shown = name != nullptr ? name : std::getenv("DISPLAY");
        return std::string("cannot open the X display '") + (shown != nullptr ? shown : "") + "'" +
               (shown == nullptr || *shown == '\0' ? " (DISPLAY is not set)" : "");
    }
    XSetErrorHandler(NoteError);
    XSetIOErrorHandler(LostDisplay);
    Display* d = x->display;

    lastError = 0;
    if (options.target == Target::OwnWindow) {
        x->window = MakeWindow(x.get(), options);
        x->created = true;
        ownWindow = true;
    } else if (options.target == Target::Root) {
        x->window = RootWindow(d, DefaultScreen(d));
    } else {
        x->window = Window(options.windowId);
    }
    XWindowAttributes attributes;
    Status known = XGetWindowAttributes(d, x->window, &attributes);
    XSync(d, False);
    if (!known || lastError != 0) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", options.windowId);
        return std::string("there is no window ") + id + " on the display";
    }
    x->width = attributes.width;
    x->height = attributes.height;
    x->visual = attributes.visual;
    x->depth = attributes.depth;

    int visualClass = x->visual->c_class;
    bool depthOk = x->depth == 15 || x->depth == 16 || x->depth == 24 || x->depth == 32;
    PixelLayout layout = {uint32_t(x->visual->red_mask), uint32_t(x->visual->green_mask),
                          uint32_t(x->visual->blue_mask), BitsPerPixel(d, x->depth),
                          ImageByteOrder(d) == MSBFirst};
    std::string refusal = ScreenImage::Refusal(layout);
    if (visualClass != TrueColor || !depthOk || !refusal.empty()) {
        return std::string("cannot draw to a ") + VisualClassName(visualClass) +
               " visual of depth " + std::to_string(x->depth) +
               (refusal.empty() ? "" : " with " + refusal) +
               " (TrueColor of depth 15, 16, 24 or 32 is needed)";
    }
    if (!x->created) {
        // Someone else's window: only its size, exposures and its end.
        XSelectInput(d, x->window, ExposureMask | StructureNotifyMask);
    }
    x->gc = XCreateGC(d, x->window, 0, nullptr);
    XSetForeground(d, x->gc, BlackPixel(d, DefaultScreen(d)));
    XSync(d, False);
    if (lastError != 0)
        return "cannot draw into the window";
    return "";
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

std::string Presenter::Attach(int showScale) {
    RECT client;
    if (!GetClientRect(screen, &client))
        return "no in-memory screen";
    scale = showScale;
    screenWidth = client.right;
    screenHeight = client.bottom;
    const int width = screenWidth * scale, height = screenHeight * scale;
    x->image = MakeShmImage(x.get(), width, height);
    if (x->image == nullptr)
        x->image = MakePlainImage(x.get(), width, height);
    if (x->image == nullptr)
        return "no memory for a " + std::to_string(width) + " x " + std::to_string(height) +
               " image";
    PixelLayout layout = {uint32_t(x->visual->red_mask), uint32_t(x->visual->green_mask),
                          uint32_t(x->visual->blue_mask), x->image->bits_per_pixel,
                          x->image->byte_order == MSBFirst};
    painter.reset(new ScreenImage(layout, scale));
    return "";
}

// Pushes one rectangle of the in-memory screen, scaled, to its place.
void Presenter::Present(const RECT& rect) {
    RECT r = {std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0),
              std::min<LONG>(rect.right, screenWidth), std::min<LONG>(rect.bottom, screenHeight)};
    if (r.left >= r.right || r.top >= r.bottom)
        return;
    painter->Paint(screen, r, reinterpret_cast<uint8_t*>(x->image->data),
                   size_t(x->image->bytes_per_line));
    int sx = r.left * scale, sy = r.top * scale;
    unsigned w = unsigned((r.right - r.left) * scale), h = unsigned((r.bottom - r.top) * scale);
    if (x->usesShm)
        XShmPutImage(x->display, x->window, x->gc, x->image, sx, sy, x->originX + sx,
                     x->originY + sy, w, h, False);
    else
        XPutImage(x->display, x->window, x->gc, x->image, sx, sy, x->originX + sx, x->originY + sy,
                  w, h);
}

// The whole window: black around the image, the image from the screen.
// With `fromScreen` false the image part is filled black too, which is
// what the in-memory screen holds before the show draws, and costs the
// server nothing to take.
void Presenter::PresentAll(bool fromScreen) {
    Display* d = x->display;
    const int imageWidth = screenWidth * scale, imageHeight = screenHeight * scale;
    x->originX = (x->width - imageWidth) / 2;
    x->originY = (x->height - imageHeight) / 2;
    const int right = x->originX + imageWidth, bottom = x->originY + imageHeight;
    if (x->originY > 0)
        XFillRectangle(d, x->window, x->gc, 0, 0, unsigned(x->width), unsigned(x->originY));
    if (bottom < x->height)
        XFillRectangle(d, x->window, x->gc, 0, bottom, unsigned(x->width),
                       unsigned(x->height - bottom));
    if (x->originX > 0)
        XFillRectangle(d, x->window, x->gc, 0, 0, unsigned(x->originX), unsigned(x->height));
    if (right < x->width)
        XFillRectangle(d, x->window, x->gc, right, 0, unsigned(x->width - right),
                       unsigned(x->height));
    if (fromScreen)
        Present(RECT{0, 0, screenWidth, screenHeight});
    else
        XFillRectangle(d, x->window, x->gc, x->originX, x->originY, unsigned(imageWidth),
                       unsigned(imageHeight));
}

void Presenter::HandleEvents(bool* done) {
    Display* d = x->display;
    bool redraw = false;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        switch (event.type) {
            case Expose:
                redraw = true;
                break;
            case ConfigureNotify:
                if (event.xconfigure.window == x->window &&
                    (event.xconfigure.width != x->width || event.xconfigure.height != x->height)) {
                    x->width = event.xconfigure.width;
                    x->height = event.xconfigure.height;
                    redraw = true;
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
    if (redraw && !*done)
        PresentAll(true);
}

int Presenter::Run(int signalDescriptor) {
    Display* d = x->display;
    // Called right after the show starts: its screen is still black, and
    // whatever it drew since is waiting in the damage queue.
    PresentAll(false);
    XFlush(d);
    bool done = false;
    while (!done) {
        pollfd watched[3] = {{ConnectionNumber(d), POLLIN, 0},
                             {signalDescriptor, POLLIN, 0},
                             {damage->WakeDescriptor(), POLLIN, 0}};
        // Without a wake descriptor, look for damage every 10 ms.
        int timeout = damage->WakeDescriptor() >= 0 ? -1 : 10;
        if (XPending(d) == 0 && poll(watched, 3, timeout) < 0 && errno != EINTR)
            break;
        if (watched[1].revents != 0)
            break;
        HandleEvents(&done);
        if (done)
            break;
        bool any = false;
        for (const RECT& rect : damage->Take()) {
            Present(rect);
            any = true;
        }
        // A shared image must not be written again before the server has
        // read it; plain images only need the requests sent.
        if (any && x->usesShm)
            XSync(d, False);
        else
            XFlush(d);
        if (x->window == 0)
            break;
    }
    // Errors from a window that its owner destroyed while we drew are no
    // concern of the user's.
    return 0;
}
