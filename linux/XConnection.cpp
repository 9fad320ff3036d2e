// Everything avrel asks of Xlib, MIT-SHM and RENDER.
#include "linux/XConnection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrender.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// The connection's handles and what it learnt about the window.
struct XConnection::State {
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
};

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
Window MakeWindow(Display* d, const Options& options, Atom* deleteWindow) {
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
    *deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, window, deleteWindow, 1);
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

XConnection::XConnection() : x(new State) {}

std::string XConnection::Open(const Options& options) {
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
        x->window = MakeWindow(d, options, &x->deleteWindow);
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

XConnection::~XConnection() {
    if (x->display == nullptr)
        return;
    if (x->image != nullptr) {
        ReleaseImage();
        XSync(x->display, False);
    }
    if (x->gc != nullptr)
        XFreeGC(x->display, x->gc);
    if (x->created)
        XDestroyWindow(x->display, x->window);
    XCloseDisplay(x->display);
}

bool XConnection::MakeShmImage(int width, int height) {
    Display* d = x->display;
    if (!XShmQueryExtension(d))
        return false;
    XImage* image = XShmCreateImage(d, x->visual, unsigned(x->depth), ZPixmap, nullptr, &x->shm,
                                    unsigned(width), unsigned(height));
    if (image == nullptr)
        return false;
    x->shm.shmid =
        shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
    if (x->shm.shmid < 0) {
        XDestroyImage(image);
        return false;
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
        return false;
    }
    x->image = image;
    x->usesShm = true;
    return true;
}

bool XConnection::MakePlainImage(int width, int height) {
    XImage* image = XCreateImage(x->display, x->visual, unsigned(x->depth), ZPixmap, 0, nullptr,
                                 unsigned(width), unsigned(height), 32, 0);
    if (image == nullptr)
        return false;
    image->data = static_cast<char*>(std::calloc(size_t(image->bytes_per_line), size_t(height)));
    if (image->data == nullptr) {
        XDestroyImage(image);
        return false;
    }
    x->image = image;
    return true;
}

void XConnection::ReleaseImage() {
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

bool XConnection::MakeScaledSource(int width, int height, int scale) {
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

int XConnection::Width() const {
    return x->width;
}

int XConnection::Height() const {
    return x->height;
}

bool XConnection::HasWindow() const {
    return x->window != 0;
}

bool XConnection::Threaded() const {
    return x->threads;
}

int XConnection::Descriptor() const {
    return ConnectionNumber(x->display);
}

bool XConnection::CanEnlarge() const {
    return x->format != nullptr;
}

bool XConnection::HasImage() const {
    return x->image != nullptr;
}

bool XConnection::ImageShared() const {
    return x->usesShm;
}

bool XConnection::ServerScales() const {
    return x->serverScales;
}

uint8_t* XConnection::ImageData() {
    return reinterpret_cast<uint8_t*>(x->image->data);
}

size_t XConnection::ImageStride() const {
    return size_t(x->image->bytes_per_line);
}

PixelLayout XConnection::ImageLayout() const {
    return PixelLayout{uint32_t(x->visual->red_mask),    uint32_t(x->visual->green_mask),
                       uint32_t(x->visual->blue_mask),   x->image->bits_per_pixel,
                       x->image->byte_order == MSBFirst, x->opaqueBits};
}

bool XConnection::VisualIsStandIns() const {
    const uint32_t one = 1;
    uint8_t lowByte;
    std::memcpy(&lowByte, &one, 1);
    const bool sameOrder = (ImageByteOrder(x->display) == LSBFirst) == (lowByte == 1);
    return x->depth == 24 && x->opaqueBits == 0 && sameOrder && x->visual->red_mask == 0xFF0000 &&
           x->visual->green_mask == 0xFF00 && x->visual->blue_mask == 0xFF;
}

void XConnection::Put(int sx, int sy, int wx, int wy, int w, int h) {
    if (x->usesShm) {
        XShmPutImage(x->display, x->window, x->gc, x->image, sx, sy, wx, wy, unsigned(w),
                     unsigned(h), False);
    } else {
        XPutImage(x->display, x->window, x->gc, x->image, sx, sy, wx, wy, unsigned(w), unsigned(h));
    }
}

void XConnection::Upload(int sx, int sy, int px, int py, int w, int h) {
    XShmPutImage(x->display, x->pixmap, x->gc, x->image, sx, sy, px, py, unsigned(w), unsigned(h),
                 False);
}

void XConnection::Enlarge(int sx, int sy, int wx, int wy, int w, int h) {
    XRenderComposite(x->display, PictOpSrc, x->source, None, x->target, sx, sy, 0, 0, wx, wy,
                     unsigned(w), unsigned(h));
}

void XConnection::FillWindow(const RECT* rects, int count) {
    std::vector<XRectangle> fills;
    for (const RECT* r = rects; r < rects + count; ++r) {
        fills.push_back({short(r->left), short(r->top), (unsigned short)(r->right - r->left),
                         (unsigned short)(r->bottom - r->top)});
    }
    if (!fills.empty())
        XFillRectangles(x->display, x->window, x->gc, fills.data(), int(fills.size()));
}

void XConnection::FillPixmap(int width, int height) {
    XFillRectangle(x->display, x->pixmap, x->gc, 0, 0, unsigned(width), unsigned(height));
}

void XConnection::Flush() {
    XFlush(x->display);
}

bool XConnection::EventsWaiting() {
    return XEventsQueued(x->display, QueuedAlready) > 0;
}

void XConnection::ReadEvents() {
    XEventsQueued(x->display, QueuedAfterReading);
}

WindowEvent XConnection::NextEvent() {
    XEvent event;
    XNextEvent(x->display, &event);
    switch (event.type) {
        case Expose:
            return WindowEvent::Exposed;
        case ConfigureNotify:
            if (event.xconfigure.window == x->window &&
                (event.xconfigure.width != x->width || event.xconfigure.height != x->height)) {
                x->width = event.xconfigure.width;
                x->height = event.xconfigure.height;
                return WindowEvent::Resized;
            }
            return WindowEvent::Other;
        case DestroyNotify:
            if (event.xdestroywindow.window == x->window) {
                x->window = 0;
                x->created = false;
                return WindowEvent::Gone;
            }
            return WindowEvent::Other;
        case KeyPress: {
            KeySym key = XLookupKeysym(&event.xkey, 0);
            return key == XK_q || key == XK_Q || key == XK_Escape ? WindowEvent::QuitKey
                                                                  : WindowEvent::Other;
        }
        case ClientMessage:
            return Atom(event.xclient.data.l[0]) == x->deleteWindow ? WindowEvent::CloseAsked
                                                                    : WindowEvent::Other;
        default:
            return WindowEvent::Other;
    }
}
