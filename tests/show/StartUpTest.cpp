// A start-up that cannot build the stage ends the render thread quietly:
// the window stays black, no logo thread starts and nothing is kept. A
// corner logo that cannot be decoded only leaves the corner empty. Started
// inside a window's creation, as the saver window starts it, the show draws
// only once the window is on screen, beginning with its first frame.
#include <gtest/gtest.h>

#include <mmsystem.h>

#include "show/RenderThread.h"
#include "show/Stage.h"
#include "support/ShowHarness.h"
#include "support/TestStage.h"

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

// Starts the show from WM_CREATE, as the saver window does.
bool hiddenWhenStarted = false;

LRESULT CALLBACK StartsTheShowWhenCreated(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CREATE) {
        hiddenWhenStarted = IsWindowVisible(window) == FALSE;
        StartRenderThread(window);
    }
    return 0;
}

HWND CreateShowWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StartsTheShowWhenCreated;
    windowClass.lpszClassName = "StartUpTestWindow";
    RegisterClassA(&windowClass);  // already there when the tests repeat
    return CreateWindowExA(WS_EX_TOPMOST, "StartUpTestWindow", "StartUpTestWindow",
                           WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768, nullptr, nullptr, nullptr,
                           nullptr);
}

void EndShowWindow(HWND window) {
    standin::StopAllThreads();
    ReleaseWholeStage();
    if (IsWindow(window))
        DestroyWindow(window);
    standin::RecordBlits(false);
    standin::UseRealClock();
}

TEST(RenderThreadStartUp, StartedInsideTheWindowsCreationDrawsOnlyOnceItIsShown) {
    standin::UseVirtualClock(kShowClockStart);
    stage = Stage{};
    standin::RecordBlits(true);
    TraceRecorder trace;
    size_t firstPictureFrames = 0;
    trace.onEnded = [&firstPictureFrames](const TracedCall& call) {
        if (call.Text() != "ShowPicture 1000 0 0" || call.pass != 1)
            return;
        for (const standin::BlitRecord& blit : standin::BlitLog())
            firstPictureFrames += blit.threadId == stage.renderThreadId;
    };
    HWND window = CreateShowWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(hiddenWhenStarted) << "a window is hidden while WM_CREATE runs";
    EXPECT_TRUE(IsWindowVisible(window)) << "WS_VISIBLE shows the window after WM_CREATE";

    // The window's thread may take long to show and paint it.
    Sleep(500);
    EXPECT_EQ(nullptr, stage.screenDC) << "a device context taken before the window is shown";
    EXPECT_TRUE(standin::BlitLog().empty()) << "drawn before the window is shown";
    EXPECT_TRUE(trace.calls.empty()) << "the show began before the window is shown";

    const DWORD shown = timeGetTime();
    StageWindowShown();
    Sleep(1000);
    std::vector<standin::BlitRecord> blits;
    for (const standin::BlitRecord& blit : standin::BlitLog()) {
        if (blit.threadId == stage.renderThreadId)
            blits.push_back(blit);
    }
    ASSERT_FALSE(blits.empty()) << "nothing drawn after the window was shown";
    // The first frame of picture 1000's cross-fade, over the whole stage.
    EXPECT_LE(blits.front().time - shown, 1u) << "the first frame came late";
    EXPECT_EQ(192, blits.front().rect.left);
    EXPECT_EQ(144, blits.front().rect.top);
    EXPECT_EQ(832, blits.front().rect.right);
    EXPECT_EQ(624, blits.front().rect.bottom);
    // The show's own timeline is that of any start: 16 steps over 900 ms.
    ASSERT_FALSE(trace.calls.empty());
    EXPECT_EQ("ShowPicture 1000 0 0", trace.calls.front().Text());
    EXPECT_EQ(900u, trace.calls.front().end - trace.calls.front().start);
    EXPECT_EQ(16u, firstPictureFrames) << "cross-fade steps of the first picture";
    EndShowWindow(window);
}

TEST(RenderThreadStartUp, EndsQuietlyWhenTheWindowGoesBeforeItIsShown) {
    standin::UseVirtualClock(kShowClockStart);
    stage = Stage{};
    standin::RecordBlits(true);
    HWND window = CreateShowWindow();
    ASSERT_NE(nullptr, window);
    Sleep(100);
    DestroyWindow(window);
    Sleep(1000);
    EXPECT_EQ(nullptr, stage.screenDC);
    EXPECT_EQ(0u, stage.logoThreadId) << "a logo thread started on a window that never showed";
    EXPECT_TRUE(standin::BlitLog().empty());
    EndShowWindow(window);
}

}  // namespace
