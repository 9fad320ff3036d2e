#include "support/TestStage.h"

#include "standin/StandIn.h"
#include "show/Stage.h"

bool OpenTestStage(HWND* window) {
    *window = standin::CreateScreenWindow(1024, 768);
    stage = Stage{};
    stage.window = *window;
    stage.clientWidth = 1024;
    stage.clientHeight = 768;
    stage.offsetX = 192;
    stage.offsetY = 144;
    stage.screenDC = GetDC(*window);
    return SetupStage(kShowPaletteId);
}

void ReleaseWholeStage() {
    ReleaseStage();
    if (stage.screenDC != nullptr)
        ReleaseDC(stage.window, stage.screenDC);
    stage = Stage{};
}

void CloseTestStage(HWND window) {
    ReleaseWholeStage();
    standin::DestroyScreenWindow(window);
}
