// The saver draws on real pixels at every scaling setting. A program that
// declares no DPI awareness is handed a shrunken screen at 125 % to 200 %
// and has its window stretched back up with smoothing; the saver therefore
// declares itself aware at start, in the newest form the system offers.
// Each function is looked up at run time, so the program loads and runs on
// systems (and Wine versions) that lack it. No manifest is needed.
#pragma once

#include <windows.h>

// The form taken; the numbers are what the saver window's property holds.
enum class DpiAwareness {
    Unaware = 1,       // none of the calls exists (Windows XP)
    System = 2,        // SetProcessDPIAware (Windows Vista and 7)
    PerMonitor = 3,    // per-monitor v1 (Windows 8.1, Windows 10 before 1703)
    PerMonitorV2 = 4,  // per-monitor v2 (Windows 10 1703 on)
    // Set before the program ran, and kept: a compatibility setting the
    // user chose, or Wine, which runs every program per-monitor aware.
    SetBefore = 5,
};

// A function of a system module by name; null where the system lacks it.
using ProcedureLookup = FARPROC (*)(const char* module, const char* name);
// The system's own: GetProcAddress on the module, loaded from the system
// folder if need be.
FARPROC SystemProcedure(const char* module, const char* name);

// Declares the process DPI aware: per-monitor v2, else per-monitor v1
// (SetProcessDpiAwarenessContext, then shcore's SetProcessDpiAwareness),
// else system aware. An awareness set before the program ran refuses every
// change and is kept.
DpiAwareness DeclareDpiAwareness(ProcedureLookup lookup = SystemProcedure);

// The saver window's property that holds the form taken, as its number, so
// tests and diagnostics can read it from outside the process.
extern const char kDpiAwarenessProperty[];
