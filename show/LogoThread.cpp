// The corner logo loop of the second drawing thread.
#include "show/LogoThread.h"

#include "effects/Filmstrip.h"
#include "show/Stage.h"

namespace {

// Writes `count` frames from `first` stepping by `step` (0 repeats it).
int* Run(int* out, int first, int step, int count) {
    for (int i = 0; i < count; ++i)
        *out++ = first + step * i;
    return out;
}

}  // namespace

void FillCornerLogoSequence(int* cornerLogoSequence) {
    int* out = cornerLogoSequence;
    out = Run(out, 0, 1, 35);   // 0 .. 34
    out = Run(out, 35, 0, 22);  // hold on 35
    out = Run(out, 34, -1, 5);  // 34 .. 30
    out = Run(out, 36, 1, 4);   // 36 .. 39
    out = Run(out, 40, 0, 22);  // hold on 40
    out = Run(out, 39, -1, 4);  // 39 .. 36
    Run(out, 30, -1, 31);       // 30 .. 0
}

DWORD WINAPI LogoThread(LPVOID) {
    int cornerLogoSequence[kCornerLogoSequenceLength];
    FillCornerLogoSequence(cornerLogoSequence);
    // No palette is selected here: only the render thread's screenDC
    // carries the show palette.
    HDC dc = GetDC(stage.window);
    if (dc == nullptr)
        return 0;
    // Just beyond the stage's lower-right corner, outside what the render
    // thread draws.
    int x = stage.offsetX + kStageWidth;
    int y = stage.offsetY + kStageHeight;
    for (;;) {
        stage.cornerLogo->PlaySequence(dc, x, y, kCornerLogoPeriod, cornerLogoSequence,
                                       kCornerLogoSequenceLength);
        Sleep(kCornerLogoPause);
    }
}
