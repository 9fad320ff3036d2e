// The covers of the other monitors on the stand-in, which reports whatever
// monitors a test gives it: one black topmost window on each monitor but
// the primary, the stage on the primary alone, and input on any cover
// closing the saver by the saver window's own rules.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/ShowHarness.h"
#include "StandIn.h"
#include "imaging/IndexedImage.h"
#include "shell/MonitorCovers.h"
#include "show/Stage.h"

namespace {

using standin::Monitor;

const std::vector<Monitor> kSideBySide = {{RECT{0, 0, 1024, 768}, true},
                                          {RECT{1024, 0, 2304, 1024}, false}};
// A second monitor above the primary one and a third to its left.
const std::vector<Monitor> kAboveAndLeft = {{RECT{-200, -1080, 1720, 0}, false},
                                            {RECT{0, 0, 1024, 768}, true},
                                            {RECT{-1280, 0, 0, 1024}, false}};

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

class MonitorCoversTest : public ::testing::Test {
protected:
    void TearDown() override {
        UncoverMonitors();
        monitorCovers = MonitorCoverState();
        standin::SetMonitors({{RECT{0, 0, 1024, 768}, true}});
        for (HWND window : standin::LiveWindows())
            standin::DestroyTestWindow(window);
    }

    // The saver window stands on the primary monitor, as WinMain makes it.
    HWND Saver() { return standin::CreateTestWindow(1024, 768); }

    static bool Alive(HWND window) { return IsWindow(window) != FALSE; }
};

TEST_F(MonitorCoversTest, OneMonitorGetsNoCover) {
    HWND saver = Saver();
    CoverOtherMonitors(nullptr, saver);
    EXPECT_TRUE(monitorCovers.covers.empty());
    EXPECT_EQ(1u, standin::LiveWindows().size()) << "only the saver window";
}

TEST_F(MonitorCoversTest, EveryOtherMonitorGetsABlackTopmostWindowOfItsSize) {
    for (const auto& layout : {kSideBySide, kAboveAndLeft}) {
        std::vector<RECT> expected;
        for (const Monitor& m : layout) {
            if (!m.primary)
                expected.push_back(m.rect);
        }
        standin::SetMonitors(layout);
        HWND saver = Saver();
        CoverOtherMonitors(nullptr, saver);
        ASSERT_EQ(expected.size(), monitorCovers.covers.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            HWND cover = monitorCovers.covers[i].window;
            RECT r;
            ASSERT_TRUE(GetWindowRect(cover, &r));
            EXPECT_EQ(Describe(expected[i]), Describe(r)) << "cover " << i;
            EXPECT_TRUE(IsWindowVisible(cover)) << "cover " << i;
            std::vector<DWORD> pixels = standin::WindowPixels(cover);
            EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](DWORD p) { return p == 0; }))
                << "cover " << i << " is not black";
        }
        UncoverMonitors();
        EXPECT_EQ(1u, standin::LiveWindows().size()) << "the covers are gone, the saver stays";
        standin::DestroyTestWindow(saver);
    }
}

TEST_F(MonitorCoversTest, TheStageIsDrawnOnThePrimaryMonitorAlone) {
    standin::SetMonitors(kAboveAndLeft);
    std::vector<DWORD> expected;
    std::vector<standin::BlitRecord> blits;
    std::vector<DWORD> stagePixels;
    int offsetX = 0, offsetY = 0;
    std::vector<HWND> covers;
    {
        ShowRun run(1024, 768);
        CoverOtherMonitors(nullptr, run.window);
        for (const MonitorCover& cover : monitorCovers.covers)
            covers.push_back(cover.window);
        // Picture 1000 is whole after its last step, at 900, when picture
        // 1001 begins to fade in from row 230 down.
        run.RunUntil(900);
        IndexedImage picture(1000, stage.palette);
        expected = Colours(&picture);
        stagePixels = ScreenStage(run.window);
        offsetX = stage.offsetX;
        offsetY = stage.offsetY;
        blits = standin::BlitLog();
    }
    EXPECT_EQ(192, offsetX);
    EXPECT_EQ(144, offsetY);
    expected.resize(640 * 230);
    stagePixels.resize(640 * 230);
    EXPECT_EQ("", CompareColours(expected, stagePixels, 640)) << "the stage on the primary";
    ASSERT_EQ(2u, covers.size());
    for (const standin::BlitRecord& blit : blits) {
        EXPECT_TRUE(std::find(covers.begin(), covers.end(), blit.window) == covers.end())
            << "something was drawn on a cover at " << Describe(blit.rect);
    }
    for (HWND cover : covers) {
        std::vector<DWORD> pixels = standin::WindowPixels(cover);
        EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](DWORD p) { return p == 0; }));
    }
}

TEST_F(MonitorCoversTest, InputOnACoverClosesTheSaverByTheSaverWindowsRules) {
    standin::SetMonitors(kAboveAndLeft);
    const struct {
        UINT message;
        WPARAM wParam;
        const char* name;
    } presses[] = {{WM_KEYDOWN, 'A', "key A"},
                   {WM_LBUTTONDOWN, 0, "left button"},
                   {WM_RBUTTONDOWN, 0, "right button"},
                   {WM_MBUTTONDOWN, 0, "middle button"}};
    for (const auto& press : presses) {
        HWND saver = Saver();
        CoverOtherMonitors(nullptr, saver);
        ASSERT_EQ(2u, monitorCovers.covers.size());
        SendMessageA(monitorCovers.covers[1].window, press.message, press.wParam, MAKELPARAM(5, 5));
        EXPECT_FALSE(Alive(saver)) << press.name << " on a cover left the saver open";
        UncoverMonitors();
    }

    // Each cover's first pointer report only records where the pointer is.
    HWND saver = Saver();
    CoverOtherMonitors(nullptr, saver);
    HWND above = monitorCovers.covers[0].window, left = monitorCovers.covers[1].window;
    SendMessageA(above, WM_MOUSEMOVE, 0, MAKELPARAM(100, 200));
    SendMessageA(left, WM_MOUSEMOVE, 0, MAKELPARAM(300, 400));
    SendMessageA(above, WM_MOUSEMOVE, 0, MAKELPARAM(100, 200));
    SendMessageA(left, WM_MOUSEMOVE, 0, MAKELPARAM(300, 400));
    SendMessageA(above, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    SendMessageA(left, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(Alive(saver)) << "first positions, repeated, or swallowed commands closed it";
    SendMessageA(left, WM_MOUSEMOVE, 0, MAKELPARAM(301, 400));
    EXPECT_FALSE(Alive(saver)) << "a one-pixel move on a cover left the saver open";
}

}  // namespace
