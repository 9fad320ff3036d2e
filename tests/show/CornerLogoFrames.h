// The corner logo's frames as they should appear on screen: picture 9000
// decoded afresh and cut into 41 bands of 54 rows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/ShowHarness.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

class CornerLogoFrames {
public:
    CornerLogoFrames() : palette(4098, 256), strip(9000, &palette), colours(Colours(&strip)) {}
    virtual ~CornerLogoFrames() = default;

    // Frame f, 80 x 54, top row first.
    virtual std::vector<DWORD> Frame(int f) {
        auto first = colours.begin() + ptrdiff_t(f) * 54 * 80;
        return std::vector<DWORD>(first, first + 54 * 80);
    }

    // What the window shows in the 80 x 54 rectangle at (x, y), 0 outside
    // the client area.
    static std::vector<DWORD> OnScreen(HWND window, int x, int y) {
        std::vector<DWORD> pixels;
        for (int row = 0; row < 54; ++row) {
            for (int column = 0; column < 80; ++column) {
                pixels.push_back(standin::WindowPixel(window, x + column, y + row));
            }
        }
        return pixels;
    }

private:
    ShowPalette palette;
    IndexedImage strip;
    std::vector<DWORD> colours;
};
