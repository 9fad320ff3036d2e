// The configuration sheet: a modal property sheet titled with string 200,
// icon 101, buttons OK and Cancel only. It opens on the About page (dialog
// 1804); the Preferences page (dialog 1800) shows the ChangeResolution flag
// in check box 1007. OK stores the box's state with SaveSettings if that
// page was opened; Cancel stores nothing.
#pragma once

#include <windows.h>

// Runs the sheet on the calling thread; returns PropertySheetA's result.
INT_PTR ShowConfigSheet(HINSTANCE instance, HWND parent);

// The About page has nothing to do: everything takes the default path.
INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The Preferences page: fills check box 1007 from the flag when created,
// marks the sheet changed when it is clicked, and stores it on OK.
INT_PTR CALLBACK PreferencesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
