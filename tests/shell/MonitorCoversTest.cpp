// The covers of the other monitors on the stand-in, which reports whatever
// monitors a test gives it: one black topmost window on each monitor but
// the primary, the stage on the primary alone, input on any cover closing
// the saver by the saver window's own rules, and covers that follow monitors
// plugged in, unplugged and moved while the show runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/ShowHarness.h"
#include "standin/StandIn.h"
#include "imaging/IndexedImage.h"
#include "imaging/WindowMapping.h"
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
            standin::DestroyScreenWindow(window);
    }

    // The saver window stands on the primary monitor, as WinMain makes it.
    HWND Saver() { return standin::CreateScreenWindow(1024, 768); }

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
        standin::DestroyScreenWindow(saver);
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

// What a display change asks of the covers, checked after each step: one
// live, visible, black cover of exactly each monitor but the primary, in
// the monitors' order, and no other window but the saver.
void ExpectCoversOf(const std::vector<Monitor>& monitors, const char* what) {
    std::vector<RECT> expected;
    for (const Monitor& m : monitors) {
        if (!m.primary)
            expected.push_back(m.rect);
    }
    ASSERT_EQ(expected.size(), monitorCovers.covers.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i) {
        const MonitorCover& cover = monitorCovers.covers[i];
        RECT r = {};
        ASSERT_TRUE(GetWindowRect(cover.window, &r)) << what << ": cover " << i << " is gone";
        EXPECT_EQ(Describe(expected[i]), Describe(r)) << what << ": cover " << i;
        EXPECT_TRUE(IsWindowVisible(cover.window)) << what << ": cover " << i;
        std::vector<DWORD> pixels = standin::WindowPixels(cover.window);
        EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](DWORD p) { return p == 0; }))
            << what << ": cover " << i << " is not black";
    }
    EXPECT_EQ(1 + expected.size(), standin::LiveWindows().size())
        << what << ": the saver and the covers, and no cover of a monitor that is gone";
}

// Monitors of mixed sizes and scaling, as Windows reports them to a
// per-monitor aware program: in real pixels. The stage and the corner logo
// take the primary's factor (3 on 3840 x 2160) and stay on it.
TEST_F(MonitorCoversTest, WithMixedMonitorsTheStageIsOnThePrimaryAtItsFactor) {
    const std::vector<Monitor> mixed = {{RECT{0, 0, 3840, 2160}, true},
                                        {RECT{3840, 0, 5760, 1080}, false},
                                        {RECT{-2560, -200, 0, 1240}, false}};
    standin::SetMonitors(mixed);
    UseWholeFactors(true);
    std::vector<standin::BlitRecord> blits;
    HWND saver = nullptr;
    {
        ShowRun run(3840, 2160);
        saver = run.window;
        CoverOtherMonitors(nullptr, run.window);
        run.RunUntil(900);
        ExpectCoversOf(mixed, "mixed monitors");
        blits = standin::BlitLog();
    }
    UseWholeFactors(false);
    // 640 x 480 and 80 x 54 three times larger, centred: (960, 360) on.
    const RECT drawn = {960, 360, 960 + 3 * 720, 360 + 3 * 534};
    ASSERT_FALSE(blits.empty());
    for (const standin::BlitRecord& blit : blits) {
        EXPECT_EQ(saver, blit.window) << "drawn on a cover at " << Describe(blit.rect);
        EXPECT_TRUE(blit.rect.left >= drawn.left && blit.rect.top >= drawn.top &&
                    blit.rect.right <= drawn.right && blit.rect.bottom <= drawn.bottom)
            << "drawn at " << Describe(blit.rect);
    }
}

TEST_F(MonitorCoversTest, CoversFollowMonitorsPluggedInUnpluggedAndMovedWhileTheShowRuns) {
    const RECT primary = {0, 0, 1024, 768};
    const Monitor right = {RECT{1024, 0, 2304, 1024}, false};
    const Monitor above = {RECT{-200, -1080, 1720, 0}, false};
    const Monitor below = {RECT{0, 768, 1280, 1792}, false};
    const Monitor belowWider = {RECT{0, 768, 1920, 1848}, false};
    const struct {
        const char* what;
        std::vector<Monitor> monitors;
    } changes[] = {
        {"a monitor plugged in to the right", {{primary, true}, right}},
        {"a second one plugged in above", {{primary, true}, right, above}},
        {"the right one moved below the primary", {{primary, true}, below, above}},
        {"the one below switched to another resolution", {{primary, true}, belowWider, above}},
        {"the one above unplugged", {{primary, true}, belowWider}},
        {"the primary's own size changed", {{RECT{0, 0, 800, 600}, true}, belowWider}},
        {"back to the primary alone", {{primary, true}}},
    };

    std::vector<HWND> everyCover;
    std::vector<standin::BlitRecord> blits;
    {
        ShowRun run(1024, 768);
        CoverOtherMonitors(nullptr, run.window);
        EXPECT_TRUE(monitorCovers.covers.empty()) << "one monitor at the start";
        run.RunUntil(300);
        const int offsetX = stage.offsetX, offsetY = stage.offsetY;
        RECT saverBefore = {};
        GetWindowRect(run.window, &saverBefore);

        DWORD until = 300;
        for (const auto& change : changes) {
            std::vector<MonitorCover> before = monitorCovers.covers;
            standin::SetMonitors(change.monitors);
            // What the saver window does on the WM_DISPLAYCHANGE that follows.
            LayOutMonitorCovers();
            ExpectCoversOf(change.monitors, change.what);
            for (const MonitorCover& old : before) {
                auto still =
                    std::find_if(monitorCovers.covers.begin(), monitorCovers.covers.end(),
                                 [&old](const MonitorCover& c) { return c.window == old.window; });
                const bool monitorStayed = std::any_of(
                    change.monitors.begin(), change.monitors.end(), [&old](const Monitor& m) {
                        return !m.primary && Describe(m.rect) == Describe(old.monitor);
                    });
                EXPECT_EQ(monitorStayed, still != monitorCovers.covers.end())
                    << change.what << ": the cover of " << Describe(old.monitor)
                    << (monitorStayed ? " was made again" : " is still there");
            }
            for (const MonitorCover& cover : monitorCovers.covers) {
                if (std::find(everyCover.begin(), everyCover.end(), cover.window) ==
                    everyCover.end())
                    everyCover.push_back(cover.window);
            }
            RECT saverNow = {};
            GetWindowRect(run.window, &saverNow);
            EXPECT_EQ(Describe(saverBefore), Describe(saverNow))
                << change.what << ": the saver window moved";
            EXPECT_EQ(offsetX, stage.offsetX) << change.what;
            EXPECT_EQ(offsetY, stage.offsetY) << change.what;

            standin::ClearBlitLog();
            until += 400;
            run.RunUntil(until);
            std::vector<standin::BlitRecord> now = standin::BlitLog();
            EXPECT_TRUE(std::any_of(
                now.begin(), now.end(),
                [&run](const standin::BlitRecord& b) { return b.window == run.window; }))
                << change.what << ": the show stopped drawing";
            blits.insert(blits.end(), now.begin(), now.end());
        }
    }
    for (const standin::BlitRecord& blit : blits) {
        EXPECT_TRUE(std::find(everyCover.begin(), everyCover.end(), blit.window) ==
                    everyCover.end())
            << "something was drawn on a cover at " << Describe(blit.rect);
    }
}

TEST_F(MonitorCoversTest, DisplayChangesBeforeCoveringAndAfterUncoveringMakeNoCover) {
    standin::SetMonitors(kSideBySide);
    HWND saver = Saver();
    // The display switch in the saver window's creation comes before the covers.
    LayOutMonitorCovers();
    EXPECT_TRUE(monitorCovers.covers.empty());
    CoverOtherMonitors(nullptr, saver);
    EXPECT_EQ(1u, monitorCovers.covers.size());
    // Putting the display back comes after the covers are gone.
    UncoverMonitors();
    LayOutMonitorCovers();
    EXPECT_TRUE(monitorCovers.covers.empty());
    EXPECT_EQ(1u, standin::LiveWindows().size());
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
