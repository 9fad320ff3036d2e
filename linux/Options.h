// The command line of avrel, in xscreensaver's hack conventions: every
// option takes one or two leading dashes. ParseOptions only reads; it opens
// nothing and prints nothing, so every form can be tested without a display.
#pragma once

#include <string>
#include <vector>

enum class Target {
    OwnWindow,  // a window of its own (the default)
    Root,       // -root, with no XSCREENSAVER_WINDOW
    Window,     // -window-id ID, or XSCREENSAVER_WINDOW
};

struct Options {
    Target target = Target::OwnWindow;
    unsigned long windowId = 0;  // for Target::Window
    int width = 1024;            // own window's size (-geometry)
    int height = 768;
    bool fullscreen = false;
    int scale = 0;            // 0: auto
    std::string display;      // empty: DISPLAY
    std::string programFile;  // -scr: play that Avrel.scr's resources
    std::string pictures;     // -pictures: a show made from the photos of that folder
    std::string words;        // -words: the words file of that show
    std::string name;         // -name: its name
    bool shuffle = false;     // -shuffle: its photos in a random order
    bool help = false;
    bool version = false;
};

// Reads `args` (without the program name). `screensaverWindow` is the value
// of XSCREENSAVER_WINDOW, or null when it is not set. When set, it is the
// screen saver's stand-in for the root window: it is drawn into when no
// target is given and also for -root, since xscreensaver runs its hacks with
// -root and covers the real root window with that one; -window-id and
// -window still win. Returns "" when the arguments are good, else a one-line
// message saying what is wrong.
std::string ParseOptions(const std::vector<std::string>& args, const char* screensaverWindow,
                         Options* options);

// What -h prints.
extern const char kUsage[];
