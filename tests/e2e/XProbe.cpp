// avrel_x_probe: looks at and acts on an X display (DISPLAY) for avrel's
// end-to-end tests and measurements, as a screen saver, a window manager or
// a person would:
//   avrel_x_probe window WxH+X+Y   makes a plain white window of that size
//                                  and place, prints its id (0x hex) and
//                                  keeps it until standard input closes;
//   avrel_x_probe argbwindow WxH+X+Y
//                                  the same with a 32-bit visual that has an
//                                  alpha channel, as compositing desktops
//                                  make, filled with transparent black;
//   avrel_x_probe alpha ID         reads window ID's own pixels (with their
//                                  alpha, which the root window has not) and
//                                  prints how many there are, how many are
//                                  not wholly opaque, and the first of those
//                                  as "x y pixel", or "-";
//   avrel_x_probe close ID         asks window ID to close, as a window
//                                  manager's close button does;
//   avrel_x_probe first X Y W H SECONDS
//                                  reads that part of the root window every
//                                  millisecond or so and prints the
//                                  CLOCK_MONOTONIC time (s) at which it first
//                                  held a pixel that is not black;
//   avrel_x_probe pushes X Y W H SECONDS
//                                  prints, one a line, every drawing request
//                                  that changed that part of the root window,
//                                  as the server's DAMAGE extension reports
//                                  it: the server's time (ms) and the box
//                                  (left top right bottom, screen pixels);
//   avrel_x_probe flood ID SECONDS sends window ID, as fast as the server
//                                  takes them, Expose, ConfigureNotify (of
//                                  its present geometry) and MotionNotify
//                                  events, as a busy desktop would; it
//                                  prints "flooding" once the first are
//                                  through, and the number sent at the end;
//   avrel_x_probe states           keeps WM_STATE on every top-level window
//                                  as a window manager does: NormalState
//                                  once it is mapped, none once it is
//                                  unmapped or withdrawn. Prints "watching"
//                                  once it is, and runs until standard input
//                                  closes. Wine's managed windows wait for
//                                  those changes (two seconds, then go on).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

int MakeWindow(Display* display, const char* geometry, bool alpha) {
    int width = 0, height = 0, x = 0, y = 0;
    if (std::sscanf(geometry, "%dx%d+%d+%d", &width, &height, &x, &y) != 4 || width <= 0 ||
        height <= 0)
        return 2;
    int screen = DefaultScreen(display);
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = WhitePixel(display, screen);
    attributes.override_redirect = True;  // exactly where asked, with or without a manager
    unsigned long mask = CWBackPixel | CWOverrideRedirect;
    Visual* visual = CopyFromParent;
    int depth = CopyFromParent;
    if (alpha) {
        XVisualInfo info;
        if (!XMatchVisualInfo(display, screen, 32, TrueColor, &info)) {
            std::fprintf(stderr, "avrel_x_probe: the display has no 32-bit TrueColor visual\n");
            return 1;
        }
        visual = info.visual;
        depth = 32;
        // Another visual than the root's needs its own colour map and border.
        attributes.colormap =
            XCreateColormap(display, RootWindow(display, screen), visual, AllocNone);
        attributes.background_pixel = 0;  // transparent black
        attributes.border_pixel = 0;
        mask |= CWColormap | CWBorderPixel;
    }
    Window window =
        XCreateWindow(display, RootWindow(display, screen), x, y, unsigned(width), unsigned(height),
                      0, depth, InputOutput, visual, mask, &attributes);
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("0x%lx\n", window);
    std::fflush(stdout);
    char buffer[64];
    while (read(0, buffer, sizeof buffer) > 0) {
    }
    XDestroyWindow(display, window);
    return 0;
}

int Alpha(Display* display, const char* id) {
    Window window = std::strtoul(id, nullptr, 0);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return 1;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(attributes.width),
                              unsigned(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return 1;
    const unsigned long colours = image->red_mask | image->green_mask | image->blue_mask;
    const unsigned long alpha = attributes.depth == 32 ? 0xFFFFFFFFul & ~colours : 0;
    unsigned long count = 0, clear = 0;
    std::string first = "-";
    for (int j = 0; j < attributes.height; ++j) {
        for (int i = 0; i < attributes.width; ++i) {
            unsigned long pixel = XGetPixel(image, i, j);
            ++count;
            if (alpha == 0 || (pixel & alpha) != alpha) {
                if (clear++ == 0)
                    first =
                        std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(pixel);
            }
        }
    }
    XDestroyImage(image);
    std::printf("%lu %lu %s\n", count, clear, first.c_str());
    return 0;
}

int Close(Display* display, const char* id) {
    Window window = std::strtoul(id, nullptr, 0);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

int FirstLight(Display* display, int x, int y, int w, int h, double seconds) {
    Window root = DefaultRootWindow(display);
    const double end = Now() + seconds;
    while (Now() < end) {
        XImage* image =
            XGetImage(display, root, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
        if (image == nullptr)
            return 1;
        double at = Now();
        const size_t size = size_t(image->bytes_per_line) * size_t(h);
        bool lit = false;
        for (size_t i = 0; i < size && !lit; ++i)
            lit = image->data[i] != 0;
        XDestroyImage(image);
        if (lit) {
            std::printf("%.6f\n", at);
            return 0;
        }
        // A pause between reads, or the X server, busy with us, would keep
        // the program under watch waiting, slowing what is measured.
        usleep(1000);
    }
    return 1;
}

int Pushes(Display* display, int x, int y, int w, int h, double seconds) {
    int eventBase = 0, errorBase = 0;
    if (!XDamageQueryExtension(display, &eventBase, &errorBase)) {
        std::fprintf(stderr, "avrel_x_probe: the display has no DAMAGE extension\n");
        return 1;
    }
    Window root = DefaultRootWindow(display);
    // Raw rectangles: one report per drawing request, nothing merged.
    Damage damage = XDamageCreate(display, root, XDamageReportRawRectangles);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);
    const double end = Now() + seconds;
    const int fd = ConnectionNumber(display);
    while (Now() < end) {
        if (XPending(display) == 0) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(fd, &readable);
            timeval wait = {0, 20000};
            select(fd + 1, &readable, nullptr, nullptr, &wait);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != eventBase + XDamageNotify)
            continue;
        const auto* notify = reinterpret_cast<XDamageNotifyEvent*>(&event);
        const XRectangle& a = notify->area;
        if (a.x + a.width <= x || a.y + a.height <= y || a.x >= x + w || a.y >= y + h)
            continue;
        std::printf("%lu %d %d %d %d\n", static_cast<unsigned long>(notify->timestamp), a.x, a.y,
                    a.x + a.width, a.y + a.height);
    }
    std::fflush(stdout);
    XDamageDestroy(display, damage);
    return 0;
}

int Flood(Display* display, const char* id, double seconds) {
    Window window = std::strtoul(id, nullptr, 0);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return 1;
    XEvent expose = {};
    expose.xexpose.type = Expose;
    expose.xexpose.window = window;
    expose.xexpose.width = attributes.width;
    expose.xexpose.height = attributes.height;
    XEvent configure = {};
    configure.xconfigure.type = ConfigureNotify;
    configure.xconfigure.event = window;
    configure.xconfigure.window = window;
    configure.xconfigure.x = attributes.x;
    configure.xconfigure.y = attributes.y;
    configure.xconfigure.width = attributes.width;
    configure.xconfigure.height = attributes.height;
    XEvent motion = {};
    motion.xmotion.type = MotionNotify;
    motion.xmotion.window = window;
    motion.xmotion.root = DefaultRootWindow(display);
    motion.xmotion.same_screen = True;
    const double end = Now() + seconds;
    unsigned long sent = 0;
    bool told = false;
    while (Now() < end) {
        for (int i = 0; i < 100; ++i) {
            motion.xmotion.x = i;
            XSendEvent(display, window, False, ExposureMask, &expose);
            XSendEvent(display, window, False, StructureNotifyMask, &configure);
            // No mask: to the window's own client, which is what a pointer
            // moving over its window would reach.
            XSendEvent(display, window, False, NoEventMask, &motion);
            sent += 3;
        }
        // Each batch waits for the server, so the queue stays full without
        // growing in the server without end.
        XSync(display, False);
        if (!told) {
            std::printf("flooding\n");
            std::fflush(stdout);
            told = true;
        }
    }
    std::printf("%lu\n", sent);
    std::fflush(stdout);
    return 0;
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;  // a window that went away between its event and our answer
}

int States(Display* display) {
    XSetErrorHandler(IgnoreErrors);
    Window root = DefaultRootWindow(display);
    Atom wmState = XInternAtom(display, "WM_STATE", False);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    std::printf("watching\n");
    std::fflush(stdout);
    const int x = ConnectionNumber(display);
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.event == root &&
                !event.xmap.override_redirect) {
                const long normal[2] = {NormalState, None};
                XChangeProperty(display, event.xmap.window, wmState, wmState, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(normal), 2);
            } else if (event.type == UnmapNotify && event.xunmap.event == root) {
                // Both the unmapping and the withdrawal a client sends
                // after it (ICCCM 4.1.4) come here.
                XDeleteProperty(display, event.xunmap.window, wmState);
            }
        }
        XFlush(display);
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(0, &ready);
        FD_SET(x, &ready);
        if (select(x + 1, &ready, nullptr, nullptr, nullptr) < 0)
            return 1;
        char buffer[64];
        if (FD_ISSET(0, &ready) && read(0, buffer, sizeof buffer) <= 0)
            return 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    bool good =
        ((mode == "window" || mode == "argbwindow") && argc == 3) ||
        ((mode == "close" || mode == "alpha") && argc == 3) || (mode == "flood" && argc == 4) ||
        ((mode == "first" || mode == "pushes") && argc == 7) || (mode == "states" && argc == 2);
    if (!good) {
        std::fprintf(stderr,
                     "usage: avrel_x_probe window|argbwindow WxH+X+Y | close ID | alpha ID |"
                     " first|pushes X Y W H SECONDS | flood ID SECONDS | states\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "avrel_x_probe: no display\n");
        return 1;
    }
    int status = 0;
    if (mode == "window") {
        status = MakeWindow(display, argv[2], false);
    } else if (mode == "argbwindow") {
        status = MakeWindow(display, argv[2], true);
    } else if (mode == "alpha") {
        status = Alpha(display, argv[2]);
    } else if (mode == "close") {
        status = Close(display, argv[2]);
    } else if (mode == "states") {
        status = States(display);
    } else if (mode == "flood") {
        status = Flood(display, argv[2], std::atof(argv[3]));
    } else {
        int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
        int w = std::atoi(argv[4]), h = std::atoi(argv[5]);
        if (mode == "first")
            status = FirstLight(display, x, y, w, h, std::atof(argv[6]));
        else
            status = Pushes(display, x, y, w, h, std::atof(argv[6]));
    }
    XCloseDisplay(display);
    return status;
}
