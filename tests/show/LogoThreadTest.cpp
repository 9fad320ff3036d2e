// The corner logo: its 123-entry sequence, drawn one entry every 100 ms
// with an 800 ms pause between cycles, in the corner beyond the stage.
#include <gtest/gtest.h>

#include "CornerLogoFrames.h"
#include "support/ShowHarness.h"
#include "show/LogoThread.h"
#include "show/Stage.h"

namespace {

const int kExpectedSequence[123] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
    21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34,  // 35
    35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35,
    35,                  // 22
    34, 33, 32, 31, 30,  // 5
    36, 37, 38, 39,      // 4
    40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40,
    40,              // 22
    39, 38, 37, 36,  // 4
    30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10,
    9,  8,  7,  6,  5,  4,  3,  2,  1,  0};  // 31

TEST(CornerLogoSequence, HoldsTheSevenRunsOf123Frames) {
    int sequence[kCornerLogoSequenceLength + 1];
    sequence[kCornerLogoSequenceLength] = -7;  // must stay untouched
    FillCornerLogoSequence(sequence);
    EXPECT_EQ(123, kCornerLogoSequenceLength);
    for (int i = 0; i < 123; ++i) {
        EXPECT_EQ(kExpectedSequence[i], sequence[i]) << "entry " << i;
    }
    EXPECT_EQ(-7, sequence[123]) << "the fill wrote past its 123 entries";
}

TEST(CornerLogo, ShowsEachEntryFor100MsAndPauses800MsBetweenCycles) {
    CornerLogoFrames frames;
    ShowRun run(1024, 768);
    const int x = 832, y = 624;  // (192 + 640, 144 + 480)
    for (int i = 0; i < 123; ++i) {
        run.RunUntil(DWORD(i) * 100);
        EXPECT_EQ("", CompareColours(frames.Frame(kExpectedSequence[i]),
                                     CornerLogoFrames::OnScreen(run.window, x, y), 80))
            << "corner at " << i * 100 << " ms should show frame " << kExpectedSequence[i]
            << " (entry " << i << ")";
    }
    run.RunUntil(12999);
    EXPECT_EQ("", CompareColours(frames.Frame(0), CornerLogoFrames::OnScreen(run.window, x, y), 80))
        << "corner during the pause after a cycle";
    run.RunUntil(26100);

    std::vector<DWORD> times;
    for (const standin::BlitRecord& blit : standin::BlitLog()) {
        if (blit.threadId != stage.logoThreadId)
            continue;
        times.push_back(blit.time - kShowClockStart);
        EXPECT_TRUE(blit.rect.left == x && blit.rect.top == y && blit.rect.right == x + 80 &&
                    blit.rect.bottom == y + 54)
            << "logo blit at " << blit.time - kShowClockStart << " ms went to (" << blit.rect.left
            << ", " << blit.rect.top << ")-(" << blit.rect.right << ", " << blit.rect.bottom << ")";
    }
    std::vector<DWORD> expected;
    for (DWORD cycle = 0; cycle < 2; ++cycle) {
        for (DWORD i = 0; i < 123; ++i)
            expected.push_back(cycle * 13000 + i * 100);
    }
    expected.push_back(26000);
    expected.push_back(26100);
    ASSERT_EQ(expected.size(), times.size()) << "corner logo draws from 0 to 26,100 ms";
    for (size_t i = 0; i < times.size(); ++i) {
        EXPECT_EQ(expected[i], times[i]) << "corner logo draw " << i;
    }
}

}  // namespace
