// The cross-fade's steps: which pixels each step writes (two-pixel cells in
// a checkerboard anchored at the rectangle's corner), what it writes (the
// level tables, then the new picture), and what Run puts on the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "effects/CrossFade.h"
#include "support/DrawSurface.h"
#include "support/ImagePixel.h"
#include "imaging/BlendTable.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

namespace {

using Points = std::set<std::pair<int, int>>;  // (column, row) from the top-left

const BYTE kSentinel = 0xAB;

void Fill(IndexedImage& image, BYTE value) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            At(image, x, y) = value;
}

// A pseudo-random picture, the same every run.
void Scramble(IndexedImage& image, unsigned seed) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            At(image, x, y) = BYTE(seed >> 16);
        }
}

// The pixels step k writes by the rule ((c div 2) + r + k) even.
Points Rule(int width, int height, int k) {
    Points points;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            if ((c / 2 + r + k) % 2 == 0)
                points.insert({c, r});
    return points;
}

class CrossFadeTest : public ::testing::Test {
protected:
    // Renders steps 0 .. last (last >= 1) and returns the pixels that step
    // `last` wrote, found by planting a sentinel in the frame before it.
    Points Written(int width, int height, int last) {
        IndexedImage old(width + 5, height + 3, 1, &palette),
            fresh(width + 2, height + 4, 1, &palette);
        Fill(old, 1);
        Fill(fresh, 2);
        CrossFade fade(&old, 3, 1, width, height, &fresh, 2, 3, &blend);
        IndexedImage* frame = nullptr;
        for (int k = 0; k < last; ++k)
            frame = fade.RenderStep(k);
        Fill(*frame, kSentinel);
        frame = fade.RenderStep(last);
        Points points;
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c)
                if (At(*frame, c, r) != kSentinel)
                    points.insert({c, r});
        return points;
    }

    void SetUp() override {
        // Step 0 is found by what changes: an old index that level 0 maps
        // elsewhere, so every pixel step 0 writes visibly changes.
        for (int i = 0; i < 256 && sentinelOld < 0; ++i)
            if (blend.Level(0)[i] != i)
                sentinelOld = i;
        ASSERT_GE(sentinelOld, 0);
    }

    Points WrittenByStepZero(int width, int height) {
        IndexedImage old(width, height, 1, &palette), fresh(width, height, 1, &palette);
        Fill(old, BYTE(sentinelOld));
        CrossFade fade(&old, 0, 0, width, height, &fresh, 0, 0, &blend);
        IndexedImage* frame = fade.RenderStep(0);
        Points points;
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c)
                if (At(*frame, c, r) != sentinelOld)
                    points.insert({c, r});
        return points;
    }

    ShowPalette palette{4098, 256};
    BlendTable blend{&palette, 3};
    int sentinelOld = -1;
};

TEST_F(CrossFadeTest, SixteenStepsWithTheShowTable) {
    IndexedImage old(8, 8, 1, &palette);
    CrossFade fade(&old, 0, 0, 5, 3, &old, 1, 1, &blend);
    EXPECT_EQ(16, fade.StepCount());
    EXPECT_EQ(5, fade.Width());
    EXPECT_EQ(3, fade.Height());
}

TEST_F(CrossFadeTest, FourByTwoCellsAlternate) {
    Points even = {{0, 0}, {1, 0}, {2, 1}, {3, 1}};
    Points odd = {{2, 0}, {3, 0}, {0, 1}, {1, 1}};
    EXPECT_EQ(even, WrittenByStepZero(4, 2)) << "step 0";
    for (int k = 1; k < 16; ++k)
        EXPECT_EQ(k % 2 ? odd : even, Written(4, 2, k)) << "step " << k;
}

TEST_F(CrossFadeTest, OnePixelWideLinesChangeOnAlternateRows) {
    EXPECT_EQ((Points{{0, 0}, {0, 2}}), WrittenByStepZero(1, 4)) << "step 0: rows 0 and 2";
    EXPECT_EQ((Points{{0, 1}, {0, 3}}), Written(1, 4, 1)) << "step 1: rows 1 and 3";
    EXPECT_EQ((Points{{0, 0}, {0, 2}}), Written(1, 4, 2)) << "step 2: rows 0 and 2 again";
    EXPECT_EQ((Points{{0, 1}, {0, 3}, {0, 5}}), Written(1, 7, 15)) << "last step: odd rows";
}

TEST_F(CrossFadeTest, OneRowHighLinesChangeInPairsOfColumns) {
    EXPECT_EQ((Points{{0, 0}, {1, 0}, {4, 0}, {5, 0}, {8, 0}}), WrittenByStepZero(9, 1));
    EXPECT_EQ((Points{{2, 0}, {3, 0}, {6, 0}, {7, 0}}), Written(9, 1, 1));
    EXPECT_EQ((Points{{2, 0}, {3, 0}, {6, 0}, {7, 0}}), Written(9, 1, 15)) << "a copy step";
}

TEST_F(CrossFadeTest, EveryStepFollowsTheCheckerboardInOddSizes) {
    EXPECT_EQ(Rule(7, 5, 0), WrittenByStepZero(7, 5));
    for (int k = 1; k < 16; ++k)
        EXPECT_EQ(Rule(7, 5, k), Written(7, 5, k)) << "step " << k;
}

TEST_F(CrossFadeTest, LevelsRiseEveryTwoStepsAndEndOnTheNewPicture) {
    IndexedImage old(13, 9, 1, &palette), fresh(11, 7, 1, &palette);
    Scramble(old, 1);
    Scramble(fresh, 2);
    const int x = 2, y = 3, sx = 1, sy = 2, w = 9, h = 5;
    CrossFade fade(&old, x, y, w, h, &fresh, sx, sy, &blend);
    for (int k = 0; k < 16; ++k) {
        IndexedImage* frame = fade.RenderStep(k);
        ASSERT_NE(nullptr, frame);
        int wrong = 0;
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                int key = At(fresh, sx + c, sy + r) << 8 | At(old, x + c, y + r);
                // The last step written sets each pixel; the one before it the rest.
                int last = (c / 2 + r + k) % 2 == 0 ? k : k - 1;
                int expected = last < 0     ? At(old, x + c, y + r)
                               : last >= 14 ? At(fresh, sx + c, sy + r)
                                            : blend.Level(last / 2)[key];
                wrong += At(*frame, c, r) != expected;
            }
        EXPECT_EQ(0, wrong) << "pixels off after step " << k
                            << (k % 2 ? " (one uniform level)" : " (two levels in a checkerboard)");
    }
}

TEST_F(CrossFadeTest, OnlyTheCopyStepsReadTheNewPictureAgain) {
    IndexedImage old(6, 6, 1, &palette), fresh(6, 6, 1, &palette), reference(6, 6, 1, &palette);
    Scramble(old, 3);
    Scramble(fresh, 4);
    reference.CopyRect(0, 0, 6, 6, &fresh, 0, 0);
    CrossFade changed(&old, 0, 0, 5, 5, &fresh, 1, 1, &blend);
    IndexedImage oldCopy(6, 6, 1, &palette);
    oldCopy.CopyRect(0, 0, 6, 6, &old, 0, 0);
    CrossFade untouched(&oldCopy, 0, 0, 5, 5, &reference, 1, 1, &blend);

    Scramble(old, 5);    // the destination is free once the fade exists
    Scramble(fresh, 6);  // the new picture changes before the last steps
    for (int k = 0; k < 16; ++k) {
        IndexedImage* a = changed.RenderStep(k);
        IndexedImage* b = untouched.RenderStep(k);
        int differing = 0;
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 5; ++c)
                differing += At(*a, c, r) != At(*b, c, r);
        if (k < 14)
            EXPECT_EQ(0, differing) << "step " << k << " depends only on the captured keys";
        else
            EXPECT_GT(differing, 0) << "step " << k << " copies the new picture as it is now";
    }
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            ASSERT_EQ(At(fresh, 1 + c, 1 + r), At(*changed.RenderStep(15), c, r));
}

TEST_F(CrossFadeTest, RunLeavesTheNewPictureOnTheScreenAndNothingElse) {
    IndexedImage old(12, 10, 1, &palette), fresh(8, 8, 1, &palette);
    Scramble(old, 7);
    Scramble(fresh, 8);
    DrawSurface surface(16, 12);
    surface.Fill(0x123456);
    CrossFade fade(&old, 1, 2, 7, 5, &fresh, 1, 0, &blend);
    fade.Run(surface.Dc(), 4, 3, 0);
    std::vector<DWORD> pixels = surface.Pixels();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            bool inside = x >= 4 && x < 11 && y >= 3 && y < 8;
            DWORD expected = inside ? palette.Colour(At(fresh, 1 + x - 4, y - 3)) : 0x123456;
            ASSERT_EQ(expected, surface.Pixel(pixels, x, y))
                << "pixel " << x << "," << y << (inside ? " shows the new picture" : " untouched");
        }
}

TEST_F(CrossFadeTest, NothingToFadeDrawsNothing) {
    IndexedImage broken(7003, &palette), fresh(4, 4, 1, &palette);
    CrossFade fromNothing(&broken, 0, 0, 2, 2, &fresh, 0, 0, &blend);
    EXPECT_EQ(nullptr, fromNothing.RenderStep(0));
    DrawSurface surface(4, 4);
    surface.Fill(0x00FF00);
    fromNothing.Run(surface.Dc(), 0, 0, 0);
    EXPECT_EQ(0x00FF00u, surface.Pixels()[0]);

    IndexedImage old(4, 4, 1, &palette);
    CrossFade toNothing(&old, 0, 0, 2, 2, &broken, 0, 0, &blend);
    for (int k = 0; k < 16; ++k)
        ASSERT_NE(nullptr, toNothing.RenderStep(k));
    EXPECT_EQ(0, At(*toNothing.RenderStep(15), 0, 0)) << "the old picture stays";
}

}  // namespace
