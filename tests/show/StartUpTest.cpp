// A start-up that cannot build the stage ends the render thread quietly:
// the window stays black, no logo thread starts and nothing is kept. A
// corner logo that cannot be decoded only leaves the corner empty.
#include <gtest/gtest.h>

#include "support/ShowHarness.h"
#include "show/Stage.h"

namespace {

bool AllBlack(HWND window) {
    for (DWORD pixel : standin::WindowPixels(window)) {
        if (pixel != 0)
            return false;
    }
    return true;
}

// Start-up allocates the palette block, the blend tables, their scratch
// table and the canvas, in that order; each failure in turn.
TEST(RenderThreadStartUp, EndsQuietlyWhenTheStageCannotBeBuilt) {
    const char* what[] = {"palette", "blend tables", "blend scratch table", "canvas"};
    for (long skip = 0; skip < 4; ++skip) {
        long blocks = standin::LiveGlobalBlocks();
        standin::FailGlobalAlloc(skip, 1);
        {
            ShowRun run(1024, 768);
            run.RunUntil(5000);
            standin::FailGlobalAlloc(0, 0);
            EXPECT_TRUE(standin::BlitLog().empty()) << "something was drawn without " << what[skip];
            EXPECT_TRUE(AllBlack(run.window)) << "the window is not black without " << what[skip];
            EXPECT_EQ(nullptr, stage.canvas) << "without " << what[skip];
            EXPECT_EQ(nullptr, stage.palette) << "without " << what[skip];
            EXPECT_EQ(nullptr, stage.cornerLogo) << "without " << what[skip];
            EXPECT_EQ(0u, stage.logoThreadId) << "a logo thread started without " << what[skip];
        }
        EXPECT_EQ(blocks, standin::LiveGlobalBlocks()) << "memory kept without " << what[skip];
    }
}

TEST(RenderThreadStartUp, GoesOnWithoutTheCornerLogoWhenItCannotBeDecoded) {
    standin::FailGlobalAlloc(4, 1);  // after palette, tables, scratch, canvas
    ShowRun run(1024, 768);
    run.RunUntil(2000);
    standin::FailGlobalAlloc(0, 0);
    size_t render = 0, logo = 0;
    for (const standin::BlitRecord& blit : standin::BlitLog()) {
        if (blit.threadId == stage.renderThreadId)
            ++render;
        if (blit.threadId == stage.logoThreadId)
            ++logo;
    }
    EXPECT_GT(render, 16u) << "the show should go on";
    EXPECT_EQ(0u, logo) << "corner logo frames drawn without their picture";
}

}  // namespace
