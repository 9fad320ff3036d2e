// avrel_x_window WxH+X+Y: makes a plain white top-level window of that size
// and place on DISPLAY, prints its id (0x hex) and keeps it until its
// standard input closes. The Linux end-to-end tests hand it to avrel as
// the window to draw into, as xscreensaver or a locker would.
// avrel_x_window --close ID: asks window ID to close as a window manager's
// close button does (a WM_DELETE_WINDOW message).
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Close(const char* id) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 1;
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
    XCloseDisplay(display);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--close")
        return Close(argv[2]);
    int width = 0, height = 0, x = 0, y = 0;
    if (argc != 2 || std::sscanf(argv[1], "%dx%d+%d+%d", &width, &height, &x, &y) != 4 ||
        width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: avrel_x_window WxH+X+Y | --close ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "avrel_x_window: no display\n");
        return 1;
    }
    int screen = DefaultScreen(display);
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = WhitePixel(display, screen);
    attributes.override_redirect = True;  // exactly where asked, with or without a manager
    Window window = XCreateWindow(display, RootWindow(display, screen), x, y, unsigned(width),
                                  unsigned(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixel | CWOverrideRedirect, &attributes);
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("0x%lx\n", window);
    std::fflush(stdout);
    char buffer[64];
    while (read(0, buffer, sizeof buffer) > 0) {
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
