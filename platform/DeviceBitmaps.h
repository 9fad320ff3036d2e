// How device bitmaps for a display are made fastest. The portable core asks;
// platform/windows answers for the real API (and Wine), platform/native for
// the stand-in. Either way the bitmaps and the colours they hold are the
// same as those made from `dc` itself with 8-bit rows.
#pragma once

#include <windows.h>

// The device context to make device bitmaps for `dc` from: `dc` itself, or
// a context whose bitmaps have exactly the format of `dc`'s but cost less
// to make. Used by one thread at a time, for bitmaps made on that thread.
HDC BitmapMakingDC(HDC dc);

// True when the device of `dc` makes a large device bitmap faster from
// 32-bit rows (blue, green, red, 0 in each pixel) than from 8-bit rows with
// a colour table.
bool DeviceTakesTrueColourRows(HDC dc);
