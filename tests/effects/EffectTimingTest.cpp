// When and where the effects draw, frame by frame, on the stand-in's
// virtual clock: every block transfer to the window is logged with its
// time, rectangle and thread.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "standin/StandIn.h"
#include "effects/CrossFade.h"
#include "effects/Filmstrip.h"
#include "effects/LineFadeGroup.h"
#include "effects/ZoomIn.h"
#include "imaging/BlendTable.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

namespace {

using standin::BlitRecord;

class EffectTimingTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = standin::CreateScreenWindow(800, 600);
        dc = GetDC(window);
        standin::UseVirtualClock(kStart);
        standin::RecordBlits(true);
        objects = standin::LiveGdiObjects();
    }
    void TearDown() override {
        EXPECT_EQ(objects, standin::LiveGdiObjects()) << "every bitmap and context released";
        standin::RecordBlits(false);
        standin::UseRealClock();
        ReleaseDC(window, dc);
        standin::DestroyScreenWindow(window);
    }

    static void ExpectRect(const BlitRecord& record, int left, int top, int right, int bottom) {
        EXPECT_EQ(left, record.rect.left);
        EXPECT_EQ(top, record.rect.top);
        EXPECT_EQ(right, record.rect.right);
        EXPECT_EQ(bottom, record.rect.bottom);
    }

    static constexpr DWORD kStart = 100000;
    ShowPalette palette{4098, 256};
    BlendTable blend{&palette, 3};
    HWND window = nullptr;
    HDC dc = nullptr;
    long objects = 0;
};

TEST_F(EffectTimingTest, CrossFadeDrawsSixteenStepsSixtyMillisecondsApart) {
    IndexedImage canvas(640, 480, 1, &palette), picture(1000, &palette);
    CrossFade fade(&canvas, 0, 0, 640, 480, &picture, 0, 0, &blend);
    fade.Run(dc, 80, 60, 60);
    std::vector<BlitRecord> log = standin::BlitLog();
    ASSERT_EQ(16u, log.size());
    for (size_t k = 0; k < log.size(); ++k) {
        EXPECT_EQ(kStart + 60 * k, log[k].time) << "step " << k;
        EXPECT_EQ(GetCurrentThreadId(), log[k].threadId);
        ExpectRect(log[k], 80, 60, 720, 540);
    }
    EXPECT_EQ(kStart + 900, timeGetTime()) << "no wait after the last step";
    EXPECT_EQ(palette.Colour(*picture.Pixels()), standin::WindowPixel(window, 80, 60 + 479))
        << "the bottom-left pixel of the picture ends on screen";
}

TEST_F(EffectTimingTest, PacingHoldsAcrossTheClockWrap) {
    standin::UseVirtualClock(0xFFFFFE00u);
    IndexedImage canvas(64, 48, 1, &palette), picture(7000, &palette);
    CrossFade fade(&canvas, 0, 0, 64, 48, &picture, 0, 0, &blend);
    fade.Run(dc, 0, 0, 60);
    std::vector<BlitRecord> log = standin::BlitLog();
    ASSERT_EQ(16u, log.size());
    for (size_t k = 0; k < log.size(); ++k)
        EXPECT_EQ(DWORD(0xFFFFFE00u + 60 * k), log[k].time) << "step " << k;
}

TEST_F(EffectTimingTest, LineGroupDrawsAllLinesInOneBurstPerStep) {
    IndexedImage canvas(640, 480, 1, &palette);
    IndexedImage horizontal(1005, &palette), vertical(1006, &palette);
    LineFadeGroup group(&canvas, &horizontal, &vertical, 1, &blend);
    group.AddHorizontal(60, 50, 511, 0);
    group.AddVertical(60, 50, 290, 0);
    group.AddVertical(570, 50, 290, 1);
    EXPECT_EQ(*horizontal.PixelAddress(509, 1), *canvas.PixelAddress(569, 51));
    EXPECT_EQ(*vertical.PixelAddress(1, 290), *canvas.PixelAddress(570, 340))
        << "all three lines committed before Run";

    group.Run(dc, 80, 60, 60);
    std::vector<BlitRecord> log = standin::BlitLog();
    ASSERT_EQ(48u, log.size()) << "three lines in 16 steps";
    for (size_t k = 0; k < 16; ++k) {
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(kStart + 60 * k, log[3 * k + i].time) << "step " << k << " line " << i;
        ExpectRect(log[3 * k], 140, 110, 651, 111);
        ExpectRect(log[3 * k + 1], 140, 110, 141, 400);
        ExpectRect(log[3 * k + 2], 650, 110, 651, 400);
    }
    EXPECT_EQ(kStart + 900, timeGetTime());
}

TEST_F(EffectTimingTest, EmptyLineGroupReturnsAtOnce) {
    IndexedImage canvas(64, 48, 1, &palette);
    LineFadeGroup group(&canvas, &canvas, &canvas, 1, &blend);
    group.Run(dc, 0, 0, 60);
    EXPECT_TRUE(standin::BlitLog().empty());
    EXPECT_EQ(kStart, timeGetTime());
}

struct CrossingRun {
    LineFadeGroup* group;
    HDC dc;
};

DWORD WINAPI RunGroup(LPVOID parameter) {
    auto* run = static_cast<CrossingRun*>(parameter);
    run->group->Run(run->dc, 0, 0, 60);
    return 0;
}

TEST_F(EffectTimingTest, ACrossingLineFadesFromTheCommittedLine) {
    IndexedImage canvas(64, 48, 1, &palette);
    IndexedImage horizontal(40, 1, 1, &palette), vertical(1, 40, 1, &palette);
    for (int x = 0; x < 40; ++x)
        *horizontal.PixelAddress(x, 1) = 249;  // red
    for (int y = 0; y < 40; ++y)
        *vertical.PixelAddress(0, y + 1) = 255;  // white
    LineFadeGroup group(&canvas, &horizontal, &vertical, 1, &blend);
    group.AddHorizontal(0, 10, 40, 0);
    group.AddVertical(20, 0, 40, 0);

    CrossingRun run{&group, dc};
    HANDLE thread = CreateThread(nullptr, 0, RunGroup, &run, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    CloseHandle(thread);
    Sleep(61);  // step 1 drawn at 60; every pixel now shows level 0
    EXPECT_EQ(palette.Colour(blend.Level(0)[255 << 8 | 249]), standin::WindowPixel(window, 20, 10))
        << "the crossing starts from the red line's colour";
    EXPECT_EQ(palette.Colour(blend.Level(0)[255 << 8 | 0]), standin::WindowPixel(window, 20, 11))
        << "the rest of the vertical line starts from black";
    Sleep(1000);
    EXPECT_EQ(palette.Colour(255), standin::WindowPixel(window, 20, 10)) << "and ends white";
    EXPECT_EQ(32u, standin::BlitLog().size());
}

TEST_F(EffectTimingTest, FilmstripPlaysOneFrameEveryPeriod) {
    Filmstrip strip(1007, 4, &palette);
    strip.Play(dc, 10, 20, 200);
    std::vector<BlitRecord> log = standin::BlitLog();
    ASSERT_EQ(4u, log.size());
    for (size_t f = 0; f < 4; ++f) {
        EXPECT_EQ(kStart + 200 * f, log[f].time) << "frame " << f;
        ExpectRect(log[f], 10, 20, 238, 405);
    }
    EXPECT_EQ(kStart + 600, timeGetTime()) << "returns right after the last frame";

    standin::ClearBlitLog();
    const int sequence[] = {1};
    strip.PlaySequence(dc, 10, 20, 200, sequence, 0);
    EXPECT_TRUE(standin::BlitLog().empty());
    EXPECT_EQ(kStart + 600, timeGetTime()) << "an empty sequence takes no time";
}

TEST_F(EffectTimingTest, ZoomGrowsThroughTheShowsFortyPercentages) {
    const int percents[40] = {20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40, 42, 44, 46,
                              48, 50, 52, 54, 56, 58, 61, 63, 65, 67, 69, 71, 73, 75,
                              77, 79, 81, 83, 85, 87, 89, 91, 93, 95, 97, 100};
    IndexedImage logo(6000, &palette);
    ZoomIn zoom(&logo, 20, 100, 40);
    zoom.Run(dc, 400, 300, 35);
    std::vector<BlitRecord> log = standin::BlitLog();
    ASSERT_EQ(40u, log.size());
    for (size_t i = 0; i < 40; ++i) {
        int w = 485 * percents[i] / 100, h = 29 * percents[i] / 100;
        EXPECT_EQ(kStart + 35 * i, log[i].time) << "frame " << i;
        ExpectRect(log[i], 400 - w / 2, 300 - h / 2, 400 - w / 2 + w, 300 - h / 2 + h);
    }
    ExpectRect(log[0], 400 - 48, 300 - 2, 400 - 48 + 97, 300 - 2 + 5);
    ExpectRect(log[39], 400 - 242, 300 - 14, 400 - 242 + 485, 300 - 14 + 29);
}

TEST_F(EffectTimingTest, ZoomWithoutFramesDrawsNothing) {
    IndexedImage logo(6000, &palette);
    ZoomIn zoom(&logo, 20, 100, 0);
    zoom.Run(dc, 400, 300, 35);
    EXPECT_TRUE(standin::BlitLog().empty());
    EXPECT_EQ(kStart, timeGetTime());

    ZoomIn still(&logo, 50, 50, 3);
    still.Run(dc, 400, 300, 35);
    std::vector<BlitRecord> log = standin::BlitLog();
    ASSERT_EQ(3u, log.size());
    for (const BlitRecord& record : log)
        ExpectRect(record, 400 - 121, 300 - 7, 400 - 121 + 242, 307);

    standin::ClearBlitLog();
    ZoomIn small(&logo, 10, 15, 3);
    small.Run(dc, 400, 300, 35);
    log = standin::BlitLog();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ(48, log[0].rect.right - log[0].rect.left) << "10%";
    EXPECT_EQ(58, log[1].rect.right - log[1].rect.left) << "12%";
    EXPECT_EQ(72, log[2].rect.right - log[2].rect.left) << "15%";
}

}  // namespace
