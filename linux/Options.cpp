// Options are a table: one row per option with the handler of its value, so
// adding one is one row and, when it takes a value, one small handler.
#include "linux/Options.h"

#include "utils/WholeNumber.h"

#include <cerrno>
#include <cstdlib>

const char kUsage[] =
    "usage: avrel [options]\n"
    "Plays the Avrel show on an X display.\n"
    "  -window            a window of its own (the default)\n"
    "  -geometry WxH      size of that window (default 1024x768)\n"
    "  -fullscreen        a borderless window covering the screen\n"
    "  -root              draw on the root window (the screen saver's window when\n"
    "                     XSCREENSAVER_WINDOW names one)\n"
    "  -window-id ID      draw into the existing window ID (decimal or 0x hex)\n"
    "  -scale N|auto      draw the stage N times larger; auto (the default) picks\n"
    "                     the largest factor that leaves at least 800 x 588\n"
    "  -display NAME      the X display to use (default: DISPLAY)\n"
    "  -scr FILE          play the pictures of another Avrel.scr\n"
    "  -pictures DIR      play a show made from the photos in the folder DIR (its\n"
    "                     sub-folders give the chapters their photos and titles)\n"
    "  -name TEXT         that show's name, lettered where it says Avrel\n"
    "  -words FILE        its titles: 'KEY: TEXT' lines, KEY name, after-first,\n"
    "                     title 2 to title 5 or closing\n"
    "  -shuffle           its photos in a random order, none again before all\n"
    "                     have been shown\n"
    "  -h, --help         this text\n"
    "  --version          the version\n"
    "Every option may start with one dash or two. With no -window, -root or\n"
    "-window-id, the window named by XSCREENSAVER_WINDOW is used when it is set.\n"
    "In its own window, q, Escape or closing the window ends it.\n";

namespace {

const int kMaxSize = 16384;
const int kMaxScale = 16;

// Whole decimal number from `low` to `high`, nothing else.
bool ParseInt(const std::string& text, int low, int high, int* value) {
    long number = 0;
    if (!ParseWholeNumber(text, low, high, &number))
        return false;
    *value = int(number);
    return true;
}

// An X window id: decimal, or hexadecimal after 0x; 32 bits, not 0.
bool ParseWindowId(const std::string& text, unsigned long* id) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > (hex ? 8u : 10u))
        return false;
    for (char c : digits) {
        bool ok =
            (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!ok)
            return false;
    }
    errno = 0;
    unsigned long long v = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if (errno != 0 || v == 0 || v > 0xFFFFFFFFull)
        return false;
    *id = static_cast<unsigned long>(v);
    return true;
}

// Each handler gets the option's value (empty for flags) and returns "" or
// what is wrong with it.
using Handler = std::string (*)(const std::string& value, Options* options);

struct OptionRow {
    const char* name;
    bool takesValue;
    Handler handle;
};

std::string Root(const std::string&, Options* o) {
    o->target = Target::Root;
    return "";
}

std::string OwnWindow(const std::string&, Options* o) {
    o->target = Target::OwnWindow;
    return "";
}

std::string WindowId(const std::string& value, Options* o) {
    if (!ParseWindowId(value, &o->windowId))
        return "-window-id wants a window id (decimal or 0x hex), not '" + value + "'";
    o->target = Target::Window;
    return "";
}

std::string Geometry(const std::string& value, Options* o) {
    // WxH; a +X+Y position, which some callers add, is accepted and ignored.
    std::string size = value.substr(0, value.find_first_of("+-"));
    size_t x = size.find_first_of("xX");
    int w = 0, h = 0;
    if (x == std::string::npos || !ParseInt(size.substr(0, x), 1, kMaxSize, &w) ||
        !ParseInt(size.substr(x + 1), 1, kMaxSize, &h))
        return "-geometry wants WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxSize) + ", not '" +
               value + "'";
    o->width = w;
    o->height = h;
    return "";
}

std::string Fullscreen(const std::string&, Options* o) {
    o->fullscreen = true;
    return "";
}

std::string Scale(const std::string& value, Options* o) {
    if (value == "auto") {
        o->scale = 0;
        return "";
    }
    if (!ParseInt(value, 1, kMaxScale, &o->scale))
        return "-scale wants a whole number from 1 to " + std::to_string(kMaxScale) +
               " or 'auto', not '" + value + "'";
    return "";
}

std::string DisplayName(const std::string& value, Options* o) {
    o->display = value;
    return "";
}

std::string ProgramFile(const std::string& value, Options* o) {
    if (value.empty())
        return "-scr wants the path of an Avrel.scr";
    o->programFile = value;
    return "";
}

// An empty folder name, as a settings dialog may pass for "none", plays the
// show's own pictures.
std::string Pictures(const std::string& value, Options* o) {
    o->pictures = value;
    return "";
}

std::string Words(const std::string& value, Options* o) {
    o->words = value;
    return "";
}

std::string Name(const std::string& value, Options* o) {
    o->name = value;
    return "";
}

std::string Shuffle(const std::string&, Options* o) {
    o->shuffle = true;
    return "";
}

std::string Help(const std::string&, Options* o) {
    o->help = true;
    return "";
}

std::string Version(const std::string&, Options* o) {
    o->version = true;
    return "";
}

const OptionRow kOptions[] = {
    {"root", false, Root},
    {"window", false, OwnWindow},
    {"window-id", true, WindowId},
    {"geometry", true, Geometry},
    {"fullscreen", false, Fullscreen},
    {"scale", true, Scale},
    {"display", true, DisplayName},
    {"scr", true, ProgramFile},
    {"pictures", true, Pictures},
    {"words", true, Words},
    {"name", true, Name},
    {"shuffle", false, Shuffle},
    {"h", false, Help},
    {"help", false, Help},
    {"version", false, Version},
};

}  // namespace

std::string ParseOptions(const std::vector<std::string>& args, const char* screensaverWindow,
                         Options* options) {
    bool targetGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string name;
        if (arg.size() > 2 && arg[0] == '-' && arg[1] == '-')
            name = arg.substr(2);
        else if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-')
            name = arg.substr(1);
        else
            return "unexpected argument '" + arg + "' (see -help)";
        const OptionRow* row = nullptr;
        for (const OptionRow& candidate : kOptions) {
            if (name == candidate.name)
                row = &candidate;
        }
        if (row == nullptr)
            return "unknown option '" + arg + "' (see -help)";
        std::string value;
        if (row->takesValue) {
            if (i + 1 >= args.size())
                return "option '" + arg + "' needs a value";
            value = args[++i];
        }
        std::string error = row->handle(value, options);
        if (!error.empty())
            return error;
        if (row->handle == Root || row->handle == WindowId || row->handle == OwnWindow)
            targetGiven = true;
    }
    bool wantsRoot = options->target == Target::Root || !targetGiven;
    if (wantsRoot && screensaverWindow != nullptr && *screensaverWindow != '\0') {
        if (!ParseWindowId(screensaverWindow, &options->windowId))
            return std::string("XSCREENSAVER_WINDOW holds no window id: '") + screensaverWindow +
                   "'";
        options->target = Target::Window;
    }
    return "";
}
