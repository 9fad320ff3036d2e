#include "linux/XConnection.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "linux/ScreenImage.h"

namespace {

// X errors arrive through a process-wide handler, on whichever thread
// reads them: the show's drawing threads put frames too.
std::atomic<int> lastError{0};

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

}  // namespace

std::string OpenTarget(PresenterX* x, const Options& options) {
    const char* name = options.display.empty() ? nullptr : options.display.c_str();
    // Before any other call: the show's drawing threads put their frames
    // through the same connection.
    x->threads = XInitThreads() != 0;
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
        x->window = MakeWindow(x, options);
        x->created = true;
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

    x->opaqueBits = OpaqueBits(x->depth, uint32_t(x->visual->red_mask),
                               uint32_t(x->visual->green_mask), uint32_t(x->visual->blue_mask));
    x->black = x->opaqueBits;

    int visualClass = x->visual->c_class;
    bool depthOk = x->depth == 15 || x->depth == 16 || x->depth == 24 || x->depth == 32;
    PixelLayout layout = {uint32_t(x->visual->red_mask),  uint32_t(x->visual->green_mask),
                          uint32_t(x->visual->blue_mask), BitsPerPixel(d, x->depth),
                          ImageByteOrder(d) == MSBFirst,  x->opaqueBits};
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
    XSetForeground(d, x->gc, x->black);
    // No exposures from our own image puts.
    XSetGraphicsExposures(d, x->gc, False);
    int renderEvents = 0, renderErrors = 0;
    if (XRenderQueryExtension(d, &renderEvents, &renderErrors)) {
        x->format = XRenderFindVisualFormat(d, x->visual);
        if (x->format != nullptr)
            x->target = XRenderCreatePicture(d, x->window, x->format, 0, nullptr);
    }
    XSync(d, False);
    if (lastError != 0)
        return "cannot draw into the window";
    return "";
}

void CloseTarget(PresenterX* x) {
    if (x->display == nullptr)
        return;
    if (x->image != nullptr) {
        ReleaseImage(x);
        XSync(x->display, False);
    }
    if (x->gc != nullptr)
        XFreeGC(x->display, x->gc);
    if (x->created)
        XDestroyWindow(x->display, x->window);
    XCloseDisplay(x->display);
}

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

void ReleaseImage(PresenterX* x) {
    if (x->image == nullptr)
        return;
    if (x->usesShm) {
        // The server keeps its own attachment until it has read what was
        // put; the segment, already removed, goes when it lets go too.
        XShmDetach(x->display, &x->shm);
        shmdt(x->shm.shmaddr);
        x->image->data = nullptr;
    }
    XDestroyImage(x->image);
    x->image = nullptr;
    x->usesShm = false;
    if (x->source != 0)
        XRenderFreePicture(x->display, x->source);
    if (x->pixmap != 0)
        XFreePixmap(x->display, x->pixmap);
    x->source = 0;
    x->pixmap = 0;
    x->serverScales = false;
}

bool MakeScaledSource(PresenterX* x, int width, int height, int scale) {
    Display* d = x->display;
    x->pixmap = XCreatePixmap(d, x->window, unsigned(width), unsigned(height), unsigned(x->depth));
    x->source = XRenderCreatePicture(d, x->pixmap, x->format, 0, nullptr);
    const XFixed one = XDoubleToFixed(1.0), part = XDoubleToFixed(1.0 / scale);
    XTransform shrink = {{{part, 0, 0}, {0, part, 0}, {0, 0, one}}};
    XRenderSetPictureTransform(d, x->source, &shrink);
    XRenderSetPictureFilter(d, x->source, FilterNearest, nullptr, 0);
    x->serverScales = true;
    return true;
}
