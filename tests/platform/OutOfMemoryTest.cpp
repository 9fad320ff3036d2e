// Out-of-memory paths, which only the stand-in can provoke on demand.
#include <windows.h>

#include <gtest/gtest.h>

#include "standin/StandIn.h"
#include "imaging/DecodeJpegResource.h"
#include "imaging/ShowPalette.h"

namespace {

TEST(OutOfMemoryTest, DecodeWithoutABufferGivesNullAndLeaksNothing) {
    ShowPalette palette(4098, 256);
    long before = standin::LiveGlobalBlocks();
    standin::FailGlobalAlloc(0, 1);
    int width = 0, height = 0;
    EXPECT_EQ(nullptr, DecodeJpegResource(7000, &width, &height, &palette));
    standin::FailGlobalAlloc(0, 0);
    EXPECT_EQ(before, standin::LiveGlobalBlocks());
}

TEST(OutOfMemoryTest, PictureFailingPartWayFreesItsBuffer) {
    ShowPalette palette(4098, 256);
    long before = standin::LiveGlobalBlocks();
    int width = 0, height = 0;
    // Without quantisation tables decoding fails after the buffer exists.
    EXPECT_EQ(nullptr, DecodeJpegResource(7006, &width, &height, &palette));
    EXPECT_EQ(nullptr, DecodeJpegResource(7005, &width, &height, &palette));
    EXPECT_EQ(nullptr, DecodeJpegResource(7004, &width, &height, &palette));
    EXPECT_EQ(before, standin::LiveGlobalBlocks());
}

TEST(OutOfMemoryTest, PaletteWithoutItsBlockHasNoHandle) {
    standin::FailGlobalAlloc(0, 1);
    ShowPalette palette(4098, 256);
    standin::FailGlobalAlloc(0, 0);
    EXPECT_EQ(nullptr, palette.Handle());
    EXPECT_NE(nullptr, palette.InverseMap());
}

}  // namespace
