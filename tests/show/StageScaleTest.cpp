// The automatic scale: the largest whole factor that still leaves the show
// at least 800 x 588 (the stage and the corner logo beyond it), at least 1.
#include <gtest/gtest.h>

#include <utility>

#include "show/StageScale.h"

namespace {

TEST(ScaleTest, AutoPicksTheLargestFactorThatLeavesTheStageAndTheCornerLogo) {
    EXPECT_EQ(1, ChooseScale(1920, 1080, 0));
    EXPECT_EQ(2, ChooseScale(2560, 1440, 0));
    EXPECT_EQ(4, ChooseScale(3840, 2400, 0)) << "3840 / 800 = 4, 2400 / 588 = 4";
    EXPECT_EQ(4, ChooseScale(3840, 2352, 0));
    EXPECT_EQ(3, ChooseScale(3840, 2351, 0));
    EXPECT_EQ(4, ChooseScale(5120, 2880, 0));
}

TEST(ScaleTest, AroundTheThresholds) {
    EXPECT_EQ(2, ChooseScale(1600, 1176, 0));
    EXPECT_EQ(1, ChooseScale(1599, 1176, 0));
    EXPECT_EQ(1, ChooseScale(1600, 1175, 0));
    EXPECT_EQ(3, ChooseScale(2400, 1764, 0));
    EXPECT_EQ(2, ChooseScale(2399, 1764, 0));
    EXPECT_EQ(1, ChooseScale(800, 588, 0));
    EXPECT_EQ(1, ChooseScale(799, 587, 0)) << "never below 1";
    EXPECT_EQ(1, ChooseScale(1, 1, 0));
}

TEST(ScaleTest, AnAskedForFactorIsTakenAsItIs) {
    EXPECT_EQ(2, ChooseScale(1024, 768, 2));
    EXPECT_EQ(1, ChooseScale(2560, 1440, 1));
}

TEST(ScaleTest, TheShowRunsOnTheWindowDividedByTheFactor) {
    ShowClient c = ShowClientFor(2560, 1440, 2);
    EXPECT_EQ(1280, c.width);
    EXPECT_EQ(720, c.height);
    c = ShowClientFor(2561, 1441, 2);
    EXPECT_EQ(1280, c.width) << "the odd pixel stays black";
    EXPECT_EQ(720, c.height);
    c = ShowClientFor(1, 1, 3);
    EXPECT_EQ(1, c.width);
    EXPECT_EQ(1, c.height);
}

TEST(ScaleTest, TheStageLiesWhereTheShowPutsItInTheCentredClient) {
    auto at = [](int w, int h, int s) {
        StagePlace p = StagePlaceFor(w, h, s);
        return std::make_pair(p.x, p.y);
    };
    EXPECT_EQ(std::make_pair(192, 144), at(1024, 768, 1));
    EXPECT_EQ(std::make_pair(191, 143), at(1023, 767, 1));
    EXPECT_EQ(std::make_pair(640, 300), at(1920, 1080, 1));
    EXPECT_EQ(std::make_pair(640, 240), at(2560, 1440, 2));
    EXPECT_EQ(std::make_pair(640, 240), at(2561, 1441, 2)) << "the odd pixel stays black";
    EXPECT_EQ(std::make_pair(-20, -40), at(600, 400, 1)) << "the stage's centre shows";
    EXPECT_EQ(std::make_pair(0, 0), at(639, 479, 1)) << "truncated toward zero, as the show does";
    EXPECT_EQ(std::make_pair(-20, -40), at(599, 399, 1)) << "(599 - 640) / 2 truncates to -20";
}

}  // namespace
