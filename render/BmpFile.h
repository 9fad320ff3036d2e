// Writing 8-bit BMP files: bottom-up rows at a 4-byte stride with a
// 256-entry colour table, exactly the layout of an IndexedImage buffer.
#pragma once

#include <windows.h>

#include <string>

class ShowPalette;

// Writes `height` rows of `stride` bytes starting at `bottomRow` (the
// bottom row first) with the palette as colour table; the padding after
// `width` bytes of each row is written as zeros. False when the file cannot
// be written.
bool WriteBmp8(const std::string& path, const BYTE* bottomRow, int width, int height, int stride,
               ShowPalette* palette);
