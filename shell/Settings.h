// The saver's one setting, ChangeResolution: non-zero switches the display
// to 800 x 600 while the saver runs. It lives in the current user's registry
// as a REG_DWORD; these functions move it between there and memory and
// never show anything.
#pragma once

#include <windows.h>

// The flag in memory; 0 until a load finds the value.
extern DWORD ChangeResolution;

// Where the flag is kept: HKEY_CURRENT_USER and the product's key, unless a
// test points it at a key of its own.
struct SettingsLocation {
    HKEY root;
    const char* subKey;
};
extern SettingsLocation settingsLocation;

// Reads the value into the flag. Up to four bytes of data land in the flag
// whatever the value's type; a longer value, or a missing key or value,
// leaves the flag as it was. Returns the registry status (0 = success).
LONG LoadSettings();

// Writes the flag as a REG_DWORD, creating the key when it is missing.
// Returns the registry status (0 = success).
LONG SaveSettings();
