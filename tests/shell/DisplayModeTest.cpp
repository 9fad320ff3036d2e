// The 800 x 600 switch: asked for only when the flag is set, tested before
// it is set, and undone through the registry's mode.
#include <gtest/gtest.h>

#include "ShellRecorder.h"
#include "shell/DisplayMode.h"
#include "shell/Settings.h"

namespace {

class DisplayModeTest : public ::testing::Test {
protected:
    void SetUp() override { InstallRecorder(); }
    void TearDown() override {
        UninstallRecorder();
        ChangeResolution = 0;
    }
};

void ExpectTheSwitchRecord(const DisplayCall& call, DWORD flags) {
    ASSERT_TRUE(call.hasMode);
    EXPECT_EQ(flags, call.flags);
    EXPECT_EQ(156, call.mode.dmSize);
    EXPECT_EQ(0x180000u, call.mode.dmFields) << "only width and height are asked for";
    EXPECT_EQ(800u, call.mode.dmPelsWidth);
    EXPECT_EQ(600u, call.mode.dmPelsHeight);
    EXPECT_EQ(0u, call.mode.dmBitsPerPel);
    EXPECT_EQ(0u, call.mode.dmDisplayFrequency);
    EXPECT_EQ(0, call.mode.dmDriverExtra);
    EXPECT_EQ('\0', call.mode.dmDeviceName[0]);
}

TEST_F(DisplayModeTest, FlagZeroTouchesNothing) {
    ChangeResolution = 0;
    EXPECT_EQ(0, SwitchDisplayMode());
    EXPECT_TRUE(Recorder().displayCalls.empty())
        << Recorder().displayCalls.size() << " display-settings calls made";
}

TEST_F(DisplayModeTest, AnyNonZeroFlagTestsThenSetsTheMode) {
    for (DWORD flag : {1u, 2u, 0x80000000u}) {
        InstallRecorder();
        ChangeResolution = flag;
        EXPECT_EQ(1, SwitchDisplayMode()) << "flag " << flag;
        ASSERT_EQ(2u, Recorder().displayCalls.size()) << "flag " << flag;
        ExpectTheSwitchRecord(Recorder().displayCalls[0], CDS_TEST | CDS_FULLSCREEN);
        ExpectTheSwitchRecord(Recorder().displayCalls[1], CDS_FULLSCREEN);
    }
}

TEST_F(DisplayModeTest, RefusedTestLeavesTheDisplayAlone) {
    ChangeResolution = 1;
    for (LONG refusal :
         {LONG{DISP_CHANGE_BADMODE}, LONG{DISP_CHANGE_FAILED}, LONG{DISP_CHANGE_RESTART}, 7L}) {
        InstallRecorder();
        Recorder().testResult = refusal;
        EXPECT_EQ(0, SwitchDisplayMode()) << "test result " << refusal;
        EXPECT_EQ(1u, Recorder().displayCalls.size()) << "only the test, for result " << refusal;
    }
}

TEST_F(DisplayModeTest, FailedChangeAfterAPassedTestReportsNoSwitch) {
    ChangeResolution = 1;
    Recorder().setResult = DISP_CHANGE_FAILED;
    EXPECT_EQ(0, SwitchDisplayMode());
    EXPECT_EQ(2u, Recorder().displayCalls.size());
}

TEST_F(DisplayModeTest, RestoreGoesBackToTheRegistryMode) {
    Recorder().restoreResult = DISP_CHANGE_BADMODE;
    EXPECT_EQ(DISP_CHANGE_BADMODE, RestoreDisplayMode()) << "the status is passed on";
    ASSERT_EQ(1u, Recorder().displayCalls.size());
    EXPECT_FALSE(Recorder().displayCalls[0].hasMode);
    EXPECT_EQ(0u, Recorder().displayCalls[0].flags);
}

TEST(DisplayModeDefaultsTest, RealCallIsTheDefault) {
    EXPECT_TRUE(changeDisplaySettings == ChangeDisplaySettingsA);
}

}  // namespace
