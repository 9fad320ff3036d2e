// Effects whose memory runs out part-way skip what they cannot do: no
// crash, no leak, and the rest of the effect still happens.
#include <windows.h>

#include <gtest/gtest.h>

#include "standin/StandIn.h"
#include "effects/CrossFade.h"
#include "support/DrawSurface.h"
#include "imaging/BlendTable.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

namespace {

class EffectsOutOfMemoryTest : public ::testing::Test {
protected:
    void TearDown() override { standin::FailGlobalAlloc(0, 0); }
    ShowPalette palette{4098, 256};
};

TEST_F(EffectsOutOfMemoryTest, BlendTablesWithoutMemoryLeaveFadesTheirCopySteps) {
    standin::FailGlobalAlloc(0, 1);
    BlendTable blend(&palette, 3);
    standin::FailGlobalAlloc(0, 0);
    EXPECT_EQ(nullptr, blend.Level(0));
    IndexedImage old(8, 4, 1, &palette), fresh(8, 4, 1, &palette);
    *fresh.PixelAddress(0, 1) = 249;
    CrossFade fade(&old, 0, 0, 8, 4, &fresh, 0, 0, &blend);
    DrawSurface surface(8, 4);
    fade.Run(surface.Dc(), 0, 0, 0);
    EXPECT_EQ(0xFF0000u, surface.Pixels()[0]) << "the new picture still arrives";
}

TEST_F(EffectsOutOfMemoryTest, AFadeWithoutKeysOrFrameSkipsQuietly) {
    BlendTable blend(&palette, 3);
    IndexedImage old(8, 4, 1, &palette), fresh(8, 4, 1, &palette);
    long blocks = standin::LiveGlobalBlocks();
    for (long skip = 0; skip < 2; ++skip) {
        standin::FailGlobalAlloc(skip, 1);  // the frame, then the keys
        {
            CrossFade fade(&old, 0, 0, 8, 4, &fresh, 0, 0, &blend);
            standin::FailGlobalAlloc(0, 0);
            DrawSurface surface(8, 4);
            fade.Run(surface.Dc(), 0, 0, 0);
        }
        EXPECT_EQ(blocks, standin::LiveGlobalBlocks())
            << "nothing leaked, failing allocation " << skip;
    }
}

}  // namespace
