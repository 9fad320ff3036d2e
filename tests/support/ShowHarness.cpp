// The show's test harness on the stand-in.
#include "support/ShowHarness.h"
#include "support/TestStage.h"

#include <mmsystem.h>

#include <cstdio>

#include "effects/Filmstrip.h"
#include "effects/LineFadeGroup.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"
#include "show/RenderThread.h"
#include "show/Stage.h"

namespace {

DWORD runStart = kShowClockStart;

}  // namespace

DWORD ShowTime() {
    return timeGetTime() - runStart;
}

ShowRun::ShowRun(int clientWidth, int clientHeight, DWORD clockStart, bool recordBlits) {
    runStart = clockStart;
    standin::UseVirtualClock(clockStart);
    window = standin::CreateScreenWindow(clientWidth, clientHeight);
    standin::RecordBlits(recordBlits);
    stage = Stage{};
    StartRenderThread(window);
}

ShowRun::~ShowRun() {
    standin::StopAllThreads();
    standin::RecordBlits(false);
    CloseTestStage(window);
    standin::UseRealClock();
}

void ShowRun::RunUntil(DWORD ms) {
    DWORD now = ShowTime();
    if (ms > now)
        Sleep(ms - now);
    Sleep(0);  // what is due at `ms` is drawn before we look
}

std::vector<DWORD> ScreenStage(HWND window) {
    std::vector<DWORD> client = standin::WindowPixels(window);
    std::vector<DWORD> pixels(size_t(kStageWidth) * kStageHeight, 0);
    for (int y = 0; y < kStageHeight; ++y) {
        int windowY = stage.offsetY + y;
        if (windowY < 0 || windowY >= stage.clientHeight)
            continue;
        for (int x = 0; x < kStageWidth; ++x) {
            int windowX = stage.offsetX + x;
            if (windowX < 0 || windowX >= stage.clientWidth)
                continue;
            pixels[size_t(y) * kStageWidth + x] =
                client[size_t(windowY) * size_t(stage.clientWidth) + size_t(windowX)];
        }
    }
    return pixels;
}

std::vector<DWORD> Colours(IndexedImage* image) {
    ShowPalette* palette = image->Palette();
    DWORD table[256];
    for (int i = 0; i < 256; ++i) {
        table[i] = palette->Colour(i);
    }
    std::vector<DWORD> colours(size_t(image->Width()) * size_t(image->Height()));
    for (int y = 0; y < image->Height(); ++y) {
        const BYTE* row = image->PixelAddress(0, y + 1);
        for (int x = 0; x < image->Width(); ++x) {
            colours[size_t(y) * size_t(image->Width()) + x] = table[row[x]];
        }
    }
    return colours;
}

std::string CompareColours(const std::vector<DWORD>& expected, const std::vector<DWORD>& actual,
                           int width) {
    if (expected.size() != actual.size()) {
        return "expected " + std::to_string(expected.size()) + " pixels, got " +
               std::to_string(actual.size());
    }
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual[i] && differing++ == 0)
            first = i;
    }
    if (differing == 0)
        return "";
    char text[160];
    std::snprintf(text, sizeof text,
                  "%zu pixels differ; first at (%d, %d): expected %06X, got %06X", differing,
                  int(first % width), int(first / width), unsigned(expected[first]),
                  unsigned(actual[first]));
    return text;
}
