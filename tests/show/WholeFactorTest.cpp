// The show on windows that map at whole factors, as the Windows saver's do:
// the same frames at the same times from both drawing threads, each pixel a
// block of the window's factor with the stage centred, and the window black
// around them; the Linux player's screen is left as it was; a window that
// changes size gets the factor of its new size.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "standin/StandIn.h"
#include "imaging/DeviceBitmap.h"
#include "imaging/WindowMapping.h"
#include "show/StageScale.h"
#include "support/ShowHarness.h"

namespace {

struct Drawn {
    std::vector<standin::BlitRecord> blits;
    std::vector<DWORD> pixels;
};

// The first second of the show on a window of that size.
Drawn FirstSecond(int width, int height, bool wholeFactors) {
    UseWholeFactors(wholeFactors);
    Drawn drawn;
    {
        ShowRun run(width, height);
        run.RunUntil(1000);
        drawn.blits = standin::BlitLog();
        drawn.pixels = standin::WindowPixels(run.window);
    }
    UseWholeFactors(false);
    return drawn;
}

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

struct Screen {
    int width, height, factor;
};

class WholeFactorTest : public testing::TestWithParam<Screen> {};

TEST_P(WholeFactorTest, TheOneToOneScreenEnlargedAroundTheStage) {
    const Screen s = GetParam();
    const StageMapping mapping = StageMappingFor(s.width, s.height, s.factor);
    EXPECT_EQ(s.factor, ChooseScale(s.width, s.height, 0));
    const Drawn oneToOne = FirstSecond(s.width, s.height, false);
    const Drawn enlarged = FirstSecond(s.width, s.height, true);

    // Both threads draw the same frames at the same moments, one transfer
    // each, only where they land changes.
    ASSERT_EQ(oneToOne.blits.size(), enlarged.blits.size());
    bool bothThreads = false;
    for (size_t i = 0; i < enlarged.blits.size(); ++i) {
        const RECT& r = oneToOne.blits[i].rect;
        const RECT mapped = {mapping.shiftX + s.factor * r.left, mapping.shiftY + s.factor * r.top,
                             mapping.shiftX + s.factor * r.right,
                             mapping.shiftY + s.factor * r.bottom};
        EXPECT_EQ(oneToOne.blits[i].time, enlarged.blits[i].time) << "transfer " << i;
        EXPECT_EQ(Describe(mapped), Describe(enlarged.blits[i].rect)) << "transfer " << i;
        bothThreads = bothThreads || enlarged.blits[i].threadId != enlarged.blits[0].threadId;
    }
    EXPECT_TRUE(bothThreads) << "the stage's and the corner logo's frames both";

    // Every window pixel is the one-to-one pixel its block comes from:
    // crisp blocks, the stage where the rule puts it, black all around.
    int wrong = 0;
    for (int y = 0; y < s.height && wrong < 5; ++y) {
        for (int x = 0; x < s.width && wrong < 5; ++x) {
            const int sx = FloorDiv(x - mapping.shiftX, s.factor);
            const int sy = FloorDiv(y - mapping.shiftY, s.factor);
            const bool inside = sx >= 0 && sy >= 0 && sx < s.width && sy < s.height;
            const DWORD expected =
                inside ? oneToOne.pixels[size_t(sy) * size_t(s.width) + size_t(sx)] : 0;
            const DWORD actual = enlarged.pixels[size_t(y) * size_t(s.width) + size_t(x)];
            if (actual != expected && ++wrong)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): expected " << std::hex
                              << expected << ", got " << actual;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, WholeFactorTest,
                         testing::Values(Screen{1024, 768, 1}, Screen{1920, 1080, 1},
                                         Screen{2560, 1440, 2}, Screen{3840, 2160, 3},
                                         Screen{800, 600, 1},  // display switched
                                         Screen{1601, 1177, 2}),
                         [](const testing::TestParamInfo<Screen>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

struct DamageLog {
    std::mutex lock;
    std::vector<std::string> entries;
};

void RecordDamage(void* context, HWND, const RECT& changed) {
    auto* log = static_cast<DamageLog*>(context);
    std::lock_guard<std::mutex> guard(log->lock);
    log->entries.push_back(std::to_string(ShowTime()) + ": " + Describe(changed));
}

// What the Linux player reads: the damage of its show screen, reported as
// only the rows that changed, over the show's first three seconds.
std::vector<std::string> PlayerDamage(bool wholeFactors) {
    UseWholeFactors(wholeFactors);
    DamageLog log;
    standin::SetDamageHook(RecordDamage, &log, true);
    {
        ShowRun run(kFullViewWidth, kFullViewHeight, kShowClockStart, false);
        run.RunUntil(3000);
    }
    standin::SetDamageHook(nullptr, nullptr);
    UseWholeFactors(false);
    return log.entries;
}

TEST(WholeFactorDamageTest, TheLinuxPlayersScreenIsDrawnOneToOneEither) {
    const std::vector<std::string> before = PlayerDamage(false);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before, PlayerDamage(true));
}

TEST(WholeFactorResizeTest, AWindowWhoseSizeChangesGetsTheFactorOfItsNewSize) {
    UseWholeFactors(true);
    HWND window = standin::CreateScreenWindow(1024, 768);
    HDC dc = GetDC(window);
    DeviceBitmap bitmap(CreateCompatibleBitmap(dc, 8, 4), 8, 4);
    standin::RecordBlits(true);
    const Screen sizes[] = {{1024, 768, 1}, {2560, 1440, 2}, {3840, 2160, 3}, {800, 600, 1}};
    for (const Screen& s : sizes) {
        ASSERT_TRUE(MoveWindow(window, 0, 0, s.width, s.height, FALSE));
        // The stage's top-left, at the show's own offsets for that client.
        const StagePlace own = StagePlaceFor(s.width, s.height, 1);
        const StagePlace place = StagePlaceFor(s.width, s.height, s.factor);
        bitmap.Draw(dc, own.x, own.y);
        ASSERT_FALSE(standin::BlitLog().empty());
        const RECT expected = {place.x, place.y, place.x + 8 * s.factor, place.y + 4 * s.factor};
        EXPECT_EQ(Describe(expected), Describe(standin::BlitLog().back().rect))
            << s.width << " x " << s.height;
    }
    standin::RecordBlits(false);
    UseWholeFactors(false);
    ReleaseDC(window, dc);
    standin::DestroyScreenWindow(window);
}

}  // namespace
