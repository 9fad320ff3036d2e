// Scene operations called one by one on the virtual clock: when each frame
// comes, what each commits, and that an operation whose picture is missing
// or whose memory runs out is skipped, leaving the canvas, the screen and
// the working objects as they were.
#include <gtest/gtest.h>

#include <mmsystem.h>

#include "support/ShowHarness.h"
#include "support/TestStage.h"
#include "effects/LineFadeGroup.h"
#include "imaging/IndexedImage.h"
#include "show/SceneOperations.h"
#include "show/ShowScript.h"
#include "show/Stage.h"

namespace {

const int kMissingPicture = 7999;

// A stage on a 1024 x 768 screen window, set up on the test's own thread,
// which then plays the render thread's part.
class SceneOperations : public testing::Test {
protected:
    void SetUp() override {
        standin::UseVirtualClock(kShowClockStart);
        ASSERT_TRUE(OpenTestStage(&window)) << "stage set-up";
        standin::RecordBlits(true);
    }
    void TearDown() override {
        standin::RecordBlits(false);
        standin::FailGlobalAlloc(0, 0);
        CloseTestStage(window);
        standin::UseRealClock();
    }

    // Times (ms from the operation's start) and rectangles of the blits
    // since the last call.
    std::vector<standin::BlitRecord> TakeBlits() {
        std::vector<standin::BlitRecord> blits = standin::BlitLog();
        standin::ClearBlitLog();
        return blits;
    }

    std::string ScreenAgainstCanvas() {
        return CompareColours(Colours(stage.canvas), ScreenStage(window), 640);
    }

    HWND window = nullptr;
};

void ExpectFrameTimes(const std::vector<standin::BlitRecord>& blits, DWORD start,
                      const std::vector<DWORD>& expected, const char* what) {
    ASSERT_EQ(expected.size(), blits.size()) << what << ": number of frames drawn";
    for (size_t i = 0; i < blits.size(); ++i) {
        EXPECT_EQ(expected[i], blits[i].time - start) << what << ": frame " << i;
    }
}

std::vector<DWORD> Every(DWORD first, DWORD period, int count) {
    std::vector<DWORD> times;
    for (int i = 0; i < count; ++i)
        times.push_back(first + DWORD(i) * period);
    return times;
}

TEST_F(SceneOperations, ShowPictureFadesIn16StepsWhereThePictureGoes) {
    DWORD start = timeGetTime();
    ShowPicture(1001, 195, 230);
    EXPECT_EQ(900u, timeGetTime() - start) << "duration of ShowPicture";
    std::vector<standin::BlitRecord> blits = TakeBlits();
    ExpectFrameTimes(blits, start, Every(0, 60, 16), "ShowPicture");
    for (const standin::BlitRecord& blit : blits) {
        EXPECT_TRUE(blit.rect.left == 192 + 195 && blit.rect.top == 144 + 230 &&
                    blit.rect.right == 192 + 195 + 211 && blit.rect.bottom == 144 + 230 + 250)
            << "a step of picture 1001 drawn at (" << blit.rect.left << ", " << blit.rect.top
            << ")-(" << blit.rect.right << ", " << blit.rect.bottom << ")";
    }
    EXPECT_EQ("", ScreenAgainstCanvas()) << "stage against canvas after ShowPicture";
}

TEST_F(SceneOperations, HoldsAndLeadInsCountFromTheStartOfTheOperation) {
    DWORD start = timeGetTime();
    FadeStageToBlack();  // on a black stage it still holds and takes 16 steps
    ExpectFrameTimes(TakeBlits(), start, Every(1500, 60, 16), "FadeStageToBlack");
    EXPECT_EQ(2400u, timeGetTime() - start) << "duration of FadeStageToBlack";

    start = timeGetTime();
    PlayFilmstrip(1007, 195, 95, 4, 200);
    ExpectFrameTimes(TakeBlits(), start, {500, 700, 900, 1100}, "PlayFilmstrip");
    EXPECT_EQ("", ScreenAgainstCanvas()) << "stage against canvas after PlayFilmstrip";

    // Logos come only on a black stage.
    FadeStageToBlack();
    TakeBlits();

    start = timeGetTime();
    ZoomLogoIn(6003);
    std::vector<standin::BlitRecord> zoom = TakeBlits();
    ExpectFrameTimes(zoom, start, Every(0, 35, 40), "ZoomLogoIn");
    if (zoom.size() == 40) {
        // 20 % of 338 x 76 is 67 x 15, centred: (320 - 33, 240 - 7).
        EXPECT_EQ(192 + 287, zoom[0].rect.left);
        EXPECT_EQ(144 + 233, zoom[0].rect.top);
        EXPECT_EQ(192 + 287 + 67, zoom[0].rect.right);
        EXPECT_EQ(144 + 233 + 15, zoom[0].rect.bottom);
        EXPECT_EQ(192 + 151, zoom[39].rect.left) << "the last frame at full size";
        EXPECT_EQ(144 + 202, zoom[39].rect.top);
    }
    ASSERT_NE(nullptr, stage.centreLogo) << "ZoomLogoIn leaves the centre logo";

    start = timeGetTime();
    SwapLogo(6004);
    ExpectFrameTimes(TakeBlits(), start, {1500}, "SwapLogo");

    start = timeGetTime();
    FadeLogoOut();
    ExpectFrameTimes(TakeBlits(), start, Every(2000, 60, 16), "FadeLogoOut");
    EXPECT_EQ(nullptr, stage.centreLogo) << "FadeLogoOut destroys the centre logo";
    EXPECT_EQ("", ScreenAgainstCanvas()) << "stage against canvas once the logo is gone";
}

TEST_F(SceneOperations, LinesAreCommittedWhenAddedAndDrawnTogetherByRunLines) {
    BeginLines(1005, 1006);
    ASSERT_NE(nullptr, stage.lineGroup);
    std::vector<DWORD> before = Colours(stage.canvas);
    stage.lineGroup->AddHorizontal(54, 189, 511, 0);
    stage.lineGroup->AddVertical(54, 190, 290, 0);
    EXPECT_NE("", CompareColours(before, Colours(stage.canvas), 640))
        << "the added lines should already be in the canvas";
    EXPECT_TRUE(TakeBlits().empty()) << "adding lines draws nothing";
    DWORD start = timeGetTime();
    RunLines(0);
    std::vector<standin::BlitRecord> blits = TakeBlits();
    ASSERT_EQ(32u, blits.size()) << "16 steps of 2 lines";
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(DWORD(k) * 60, blits[2 * k].time - start) << "step " << k << " of the run";
        EXPECT_EQ(blits[2 * k].time, blits[2 * k + 1].time) << "both lines of step " << k;
    }
    EXPECT_EQ("", ScreenAgainstCanvas()) << "stage against canvas after RunLines";
    EXPECT_NE(nullptr, stage.lineGroup) << "RunLines(0) keeps the group open";
    start = timeGetTime();
    RunLines(1);
    EXPECT_EQ(start, timeGetTime()) << "running an empty group takes no time";
    EXPECT_TRUE(TakeBlits().empty()) << "running an empty group draws nothing";
    EXPECT_EQ(nullptr, stage.lineGroup);
    EXPECT_EQ(nullptr, stage.lineSourceH);
    EXPECT_EQ(nullptr, stage.lineSourceV);
}

// ---- Skipped operations ----

class SkippedOperation : public SceneOperations {
protected:
    void SetUp() override {
        SceneOperations::SetUp();
        ShowPicture(1002, 55, 0);  // something on the stage to keep
        TakeBlits();
        canvasBefore = Colours(stage.canvas);
        blocksBefore = standin::LiveGlobalBlocks();
    }

    void ExpectNothingChanged(const char* what) {
        EXPECT_TRUE(TakeBlits().empty()) << what << " drew something";
        EXPECT_EQ("", CompareColours(canvasBefore, Colours(stage.canvas), 640))
            << what << " changed the canvas";
        EXPECT_EQ("", ScreenAgainstCanvas()) << what << ": stage against canvas";
        EXPECT_EQ(blocksBefore, standin::LiveGlobalBlocks()) << what << " kept memory";
    }

    std::vector<DWORD> canvasBefore;
    long blocksBefore = 0;
};

TEST_F(SkippedOperation, MissingPicturesLeaveEverythingAsItWas) {
    ShowPicture(kMissingPicture, 0, 0);
    ExpectNothingChanged("ShowPicture of a missing picture");
    PlayFilmstrip(kMissingPicture, 0, 0, 4, 200);
    ExpectNothingChanged("PlayFilmstrip of a missing picture");
    ZoomLogoIn(kMissingPicture);
    EXPECT_EQ(nullptr, stage.centreLogo) << "ZoomLogoIn of a missing logo";
    ExpectNothingChanged("ZoomLogoIn of a missing logo");
    FadeLogoOut();
    ExpectNothingChanged("FadeLogoOut without a centre logo");
    SwapLogo(6004);
    EXPECT_EQ(nullptr, stage.centreLogo) << "SwapLogo without a centre logo";
    ExpectNothingChanged("SwapLogo without a centre logo");

    BeginLines(kMissingPicture, 1006);
    BeginLines(1005, kMissingPicture);
    EXPECT_EQ(nullptr, stage.lineGroup) << "BeginLines with a missing source";
    EXPECT_EQ(nullptr, stage.lineSourceH);
    EXPECT_EQ(nullptr, stage.lineSourceV);
    // The script goes on with the lines of that group: they do nothing.
    PlayShowStep({ShowOperation::AddHorizontal, {54, 189, 511, 0}});
    PlayShowStep({ShowOperation::AddVertical, {54, 190, 290, 0}});
    RunLines(1);
    ExpectNothingChanged("the lines of a group that could not begin");
}

TEST_F(SkippedOperation, SwapToAMissingLogoKeepsTheOldOne) {
    ZoomLogoIn(6003);
    IndexedImage* logo = stage.centreLogo;
    ASSERT_NE(nullptr, logo);
    TakeBlits();
    std::vector<DWORD> screen = ScreenStage(window);
    SwapLogo(kMissingPicture);
    EXPECT_EQ(logo, stage.centreLogo) << "the old centre logo should stay";
    EXPECT_TRUE(TakeBlits().empty()) << "SwapLogo to a missing logo drew something";
    EXPECT_EQ("", CompareColours(screen, ScreenStage(window), 640)) << "stage after the swap";
    FadeLogoOut();
    EXPECT_EQ(nullptr, stage.centreLogo);
    EXPECT_EQ("", ScreenAgainstCanvas()) << "the old logo still fades out";
}

TEST_F(SkippedOperation, TheShowGoesOnAfterASkippedOperation) {
    ShowPicture(kMissingPicture, 0, 0);
    DWORD start = timeGetTime();
    ShowPicture(1003, 226, 0);
    EXPECT_EQ(900u, timeGetTime() - start) << "the next operation runs in full";
    EXPECT_EQ(16u, TakeBlits().size());
    EXPECT_EQ("", ScreenAgainstCanvas());
}

// Every allocation the operation makes, failed in turn: whatever fails, the
// stage still shows the canvas, nothing leaks, and a skipped operation
// leaves the canvas alone.
TEST_F(SkippedOperation, RunningOutOfMemoryNeverBreaksTheStage) {
    for (long skip = 0; skip < 4; ++skip) {
        standin::FailGlobalAlloc(skip, 1);
        ShowPicture(1004, 396, 0);
        standin::FailGlobalAlloc(0, 0);
        std::vector<standin::BlitRecord> blits = TakeBlits();
        EXPECT_EQ("", ScreenAgainstCanvas())
            << "ShowPicture with allocation " << skip << " failing";
        EXPECT_EQ(blocksBefore, standin::LiveGlobalBlocks())
            << "blocks left by ShowPicture with allocation " << skip << " failing";
        if (blits.empty()) {
            EXPECT_EQ("", CompareColours(canvasBefore, Colours(stage.canvas), 640))
                << "a skipped ShowPicture changed the canvas (allocation " << skip << ")";
        }
        canvasBefore = Colours(stage.canvas);
    }
    for (long skip = 0; skip < 3; ++skip) {
        standin::FailGlobalAlloc(skip, 1);
        FadeStageToBlack();
        standin::FailGlobalAlloc(0, 0);
        std::vector<standin::BlitRecord> blits = TakeBlits();
        EXPECT_EQ("", ScreenAgainstCanvas())
            << "FadeStageToBlack with allocation " << skip << " failing";
        EXPECT_EQ(blocksBefore, standin::LiveGlobalBlocks()) << "FadeStageToBlack, " << skip;
        if (blits.empty()) {
            EXPECT_EQ("", CompareColours(canvasBefore, Colours(stage.canvas), 640))
                << "a skipped FadeStageToBlack changed the canvas (allocation " << skip << ")";
        }
        ShowPicture(1002, 55, 0);
        TakeBlits();
        canvasBefore = Colours(stage.canvas);
    }
    standin::FailGlobalAlloc(0, 1);
    PlayFilmstrip(1007, 195, 95, 4, 200);
    EXPECT_TRUE(TakeBlits().empty()) << "PlayFilmstrip whose strip ran out of memory drew";
    EXPECT_EQ("", CompareColours(canvasBefore, Colours(stage.canvas), 640))
        << "PlayFilmstrip whose strip ran out of memory changed the canvas";
    standin::FailGlobalAlloc(0, 1);
    ZoomLogoIn(6000);
    EXPECT_EQ(nullptr, stage.centreLogo) << "ZoomLogoIn whose decode ran out of memory";
    EXPECT_TRUE(TakeBlits().empty());
    standin::FailGlobalAlloc(1, 1);
    BeginLines(1005, 1006);
    EXPECT_EQ(nullptr, stage.lineGroup) << "BeginLines whose second source ran out of memory";
    EXPECT_EQ(blocksBefore, standin::LiveGlobalBlocks()) << "BeginLines kept its first source";
}

}  // namespace
