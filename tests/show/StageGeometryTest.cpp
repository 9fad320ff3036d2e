// Where the stage and the corner logo land in client areas of several
// sizes, and that everything else of the window stays black.
#include <gtest/gtest.h>

#include <ostream>

#include "CornerLogoFrames.h"
#include "support/ShowHarness.h"
#include "show/Stage.h"

namespace {

struct Geometry {
    int clientWidth, clientHeight;
    int offsetX, offsetY;
};

void PrintTo(const Geometry& g, std::ostream* os) {
    *os << g.clientWidth << " x " << g.clientHeight << " client, offsets (" << g.offsetX << ", "
        << g.offsetY << ")";
}

class StageGeometry : public testing::TestWithParam<Geometry> {};

TEST_P(StageGeometry, CentresTheStageAndPutsTheLogoBeyondItsCorner) {
    const Geometry g = GetParam();
    CornerLogoFrames frames;
    ShowRun run(g.clientWidth, g.clientHeight);
    run.RunUntil(1000);

    EXPECT_EQ(g.clientWidth, stage.clientWidth);
    EXPECT_EQ(g.clientHeight, stage.clientHeight);
    EXPECT_EQ(g.offsetX, stage.offsetX) << "offsetX for a client " << g.clientWidth << " wide";
    EXPECT_EQ(g.offsetY, stage.offsetY) << "offsetY for a client " << g.clientHeight << " high";

    std::vector<standin::BlitRecord> blits = standin::BlitLog();
    const standin::BlitRecord* firstRender = nullptr;
    const standin::BlitRecord* firstLogo = nullptr;
    int logoDraws = 0;
    for (const standin::BlitRecord& blit : blits) {
        if (blit.threadId == stage.renderThreadId && firstRender == nullptr)
            firstRender = &blit;
        if (blit.threadId == stage.logoThreadId) {
            if (firstLogo == nullptr)
                firstLogo = &blit;
            ++logoDraws;
        }
    }
    ASSERT_NE(nullptr, firstRender) << "the render thread drew nothing";
    EXPECT_EQ(kShowClockStart, firstRender->time) << "first frame of the show";
    EXPECT_EQ(g.offsetX, firstRender->rect.left);
    EXPECT_EQ(g.offsetY, firstRender->rect.top);
    EXPECT_EQ(g.offsetX + 640, firstRender->rect.right);
    EXPECT_EQ(g.offsetY + 480, firstRender->rect.bottom);
    ASSERT_NE(nullptr, firstLogo) << "the logo thread drew nothing";
    EXPECT_EQ(kShowClockStart, firstLogo->time) << "first frame of the corner logo";
    EXPECT_EQ(g.offsetX + 640, firstLogo->rect.left);
    EXPECT_EQ(g.offsetY + 480, firstLogo->rect.top);
    EXPECT_EQ(g.offsetX + 720, firstLogo->rect.right);
    EXPECT_EQ(g.offsetY + 534, firstLogo->rect.bottom);
    EXPECT_EQ(11, logoDraws) << "corner logo entries drawn from 0 to 1000 ms";

    // Outside the stage the window shows only the corner logo, at 1000 ms
    // entry 10 of the sequence, which is frame 10; the rest is black.
    std::vector<DWORD> logo = frames.Frame(10);
    std::vector<DWORD> client = standin::WindowPixels(run.window);
    int wrong = 0;
    for (int y = 0; y < g.clientHeight && wrong < 5; ++y) {
        for (int x = 0; x < g.clientWidth && wrong < 5; ++x) {
            int sx = x - g.offsetX, sy = y - g.offsetY;
            if (sx >= 0 && sx < 640 && sy >= 0 && sy < 480)
                continue;
            DWORD expected = 0;
            if (sx >= 640 && sx < 720 && sy >= 480 && sy < 534) {
                expected = logo[size_t(sy - 480) * 80 + size_t(sx - 640)];
            }
            DWORD actual = client[size_t(y) * size_t(g.clientWidth) + size_t(x)];
            if (actual != expected) {
                ++wrong;
                ADD_FAILURE() << "window pixel (" << x << ", " << y
                              << ") outside the stage: expected " << std::hex << expected
                              << ", got " << actual;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ClientSizes, StageGeometry,
    testing::Values(Geometry{800, 600, 80, 60},     // display switched: logo at 720..799, 540..593
                    Geometry{1024, 768, 192, 144},  // logo at 832..911, 624..677
                    Geometry{1023, 767, 191, 143},  // odd sizes truncate
                    Geometry{640, 480, 0, 0},       // logo wholly outside the client area
                    Geometry{639, 479, 0, 0},       // -1 / 2 truncates toward zero
                    Geometry{600, 480, -20, 0},     // narrower than the stage
                    Geometry{600, 400, -20, -40}),  // and lower
    [](const testing::TestParamInfo<Geometry>& info) {
        return std::to_string(info.param.clientWidth) + "x" +
               std::to_string(info.param.clientHeight);
    });

}  // namespace
