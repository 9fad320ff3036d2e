// The show from a damaged program file: resources scrambled, cut short or
// missing, served through the stand-in as a rewritten Avrel.scr would serve
// them. A damaged picture or corner strip only skips what needs it; the
// rest of the pass plays in full, with the skipped operation's time left
// out. Without its colours the palette is all black, and so is everything
// the show draws.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/ShowHarness.h"
#include "show/ShowScript.h"
#include "show/Stage.h"

namespace {

std::vector<BYTE> ResourceBytes(WORD id) {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_RCDATA);
    if (resource == nullptr)
        return {};
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource)));
    return std::vector<BYTE>(data, data + SizeofResource(nullptr, resource));
}

// What one pass of the show did.
struct PassOutcome {
    std::vector<std::string> calls;  // top-level and nested, in order
    DWORD passEnd = 0;               // when the last step of pass 1 ended
    size_t renderDraws = 0;
    size_t logoDraws = 0;
    bool screenBlack = true;  // at the end of the pass
};

PassOutcome PlayOnePass() {
    PassOutcome outcome;
    TraceRecorder recorder;
    {
        ShowRun run(1024, 768);
        run.RunUntil(kPassMs + 1000);
        for (const TracedCall& call : recorder.calls) {
            if (call.pass != 1)
                continue;
            outcome.calls.push_back(call.Text());
            if (call.step == kShowStepCount && call.depth == 0)
                outcome.passEnd = call.end;
        }
        for (DWORD pixel : standin::WindowPixels(run.window))
            outcome.screenBlack = outcome.screenBlack && pixel == 0;
        for (const standin::BlitRecord& blit : standin::BlitLog()) {
            if (blit.threadId == stage.logoThreadId)
                ++outcome.logoDraws;
            else if (blit.threadId == stage.renderThreadId)
                ++outcome.renderDraws;
        }
    }
    standin::RestoreResources();
    return outcome;
}

class DamagedResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { intact = new PassOutcome(PlayOnePass()); }
    static void TearDownTestSuite() { delete intact; }

    // The damaged pass makes every operation of the intact one and ends no
    // later, less at most `skippedMs` of operations that had nothing to show.
    void ExpectWholePass(const PassOutcome& damaged, DWORD skippedMs) {
        EXPECT_EQ(intact->calls, damaged.calls);
        EXPECT_EQ(kPassMs, intact->passEnd);
        EXPECT_LE(damaged.passEnd, kPassMs);
        EXPECT_GE(damaged.passEnd, kPassMs - skippedMs);
        EXPECT_GT(damaged.renderDraws, intact->renderDraws / 2);
        EXPECT_FALSE(damaged.screenBlack);
    }

    static PassOutcome* intact;
};

PassOutcome* DamagedResources::intact = nullptr;

TEST_F(DamagedResources, ScrambledPictureIsSkippedAndThePassGoesOn) {
    std::vector<BYTE> bytes = ResourceBytes(1000);
    ASSERT_FALSE(bytes.empty());
    std::shuffle(bytes.begin(), bytes.end(), std::mt19937(1000));
    standin::ReplaceResource(10, 1000, bytes.data(), DWORD(bytes.size()));
    PassOutcome damaged = PlayOnePass();
    ExpectWholePass(damaged, 900);
    EXPECT_GT(damaged.logoDraws, 0u);
}

TEST_F(DamagedResources, PictureCutToHalfPlaysWhatItHas) {
    std::vector<BYTE> bytes = ResourceBytes(2000);
    ASSERT_FALSE(bytes.empty());
    standin::ReplaceResource(10, 2000, bytes.data(), DWORD(bytes.size() / 2));
    PassOutcome damaged = PlayOnePass();
    ExpectWholePass(damaged, 0);
    EXPECT_GT(damaged.logoDraws, 0u);
}

TEST_F(DamagedResources, MissingCornerStripLeavesTheCornerEmpty) {
    standin::ReplaceResource(10, kCornerLogoId, nullptr, 0);
    PassOutcome damaged = PlayOnePass();
    ExpectWholePass(damaged, 0);
    EXPECT_EQ(0u, damaged.logoDraws);
}

TEST_F(DamagedResources, MissingPalettePlaysTheShowInBlack) {
    standin::ReplaceResource(10, kShowPaletteId, nullptr, 0);
    PassOutcome damaged = PlayOnePass();
    EXPECT_EQ(intact->calls, damaged.calls);
    EXPECT_TRUE(damaged.screenBlack);
}

}  // namespace
