// The saver's settings in the current user's registry, each a REG_DWORD:
// ChangeResolution, non-zero switches the display to 800 x 600 while the
// saver runs (the sheet's Preferences page sets it); OneToOnePixels,
// non-zero keeps the stage at one screen pixel per stage pixel where it
// would be drawn at a whole factor on a large screen (set by hand, for
// example with `reg add`; nothing of the program writes it). These
// functions move them between there and memory and never show anything.
#pragma once

#include <windows.h>

// The flags in memory; 0 until a load finds their values.
extern DWORD ChangeResolution;
extern DWORD OneToOnePixels;

// Where the flag is kept: HKEY_CURRENT_USER and the product's key, unless a
// test points it at a key of its own.
struct SettingsLocation {
    HKEY root;
    const char* subKey;
};
extern SettingsLocation settingsLocation;

// Reads both values into their flags. Up to four bytes of data land in a
// flag whatever the value's type; a longer value, or a missing key or
// value, leaves the flag as it was. Returns the registry status of
// ChangeResolution (0 = success).
LONG LoadSettings();

// Writes ChangeResolution as a REG_DWORD, creating the key when it is
// missing. Returns the registry status (0 = success).
LONG SaveSettings();
