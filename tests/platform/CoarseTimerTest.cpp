// The stand-in's model of the Windows 10 and 11 system timer: whole 15.625 ms
// ticks unless the program holds a finer period.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include "standin/StandIn.h"

namespace {

class CoarseTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::UseVirtualClock(0);
        standin::UseCoarseTimer(true);
    }
    void TearDown() override {
        standin::UseCoarseTimer(false);
        standin::UseRealClock();
    }
};

TEST_F(CoarseTimerTest, SleepEndsOnTheFirstTickAtOrAfterItsDueTime) {
    Sleep(35);  // due at 35: ticks fall at 31.25 and 46.875
    EXPECT_EQ(46u, timeGetTime());
    Sleep(1);  // due at 47, the next tick is 62.5
    EXPECT_EQ(62u, timeGetTime());
    Sleep(16);  // due at 78, exactly the tick at 78.125
    EXPECT_EQ(78u, timeGetTime());
    Sleep(0);  // only gives way
    EXPECT_EQ(78u, timeGetTime());
}

TEST_F(CoarseTimerTest, TheClockReadsTheLastTick) {
    standin::UseVirtualClock(100);  // between the ticks at 93.75 and 109.375
    EXPECT_EQ(93u, timeGetTime());
    standin::UseVirtualClock(0xFFFFFFF0u);
    EXPECT_EQ(0xFFFFFFF0u - 15, timeGetTime());
    Sleep(100);
    EXPECT_EQ(DWORD(0xFFFFFFF0u + 110), timeGetTime())
        << "the first tick after the wrap's due time";
}

TEST_F(CoarseTimerTest, AOneMillisecondPeriodReadsAndSleepsExactly) {
    ASSERT_EQ(MMRESULT(TIMERR_NOERROR), timeBeginPeriod(1));
    EXPECT_EQ(1u, standin::HeldTimerPeriods());
    Sleep(35);
    EXPECT_EQ(35u, timeGetTime());
    Sleep(1);
    EXPECT_EQ(36u, timeGetTime());
    ASSERT_EQ(MMRESULT(TIMERR_NOERROR), timeEndPeriod(1));
    EXPECT_EQ(0u, standin::HeldTimerPeriods());
    EXPECT_EQ(31u, timeGetTime()) << "back to whole ticks";
    Sleep(35);  // due at 71: the tick at 78.125
    EXPECT_EQ(78u, timeGetTime());
}

TEST_F(CoarseTimerTest, PeriodsAreCountedAndOnlyHeldOnesEnd) {
    EXPECT_EQ(MMRESULT(TIMERR_NOCANDO), timeBeginPeriod(0));
    EXPECT_EQ(MMRESULT(TIMERR_NOCANDO), timeEndPeriod(1)) << "never asked for";
    ASSERT_EQ(MMRESULT(TIMERR_NOERROR), timeBeginPeriod(1));
    ASSERT_EQ(MMRESULT(TIMERR_NOERROR), timeBeginPeriod(1));
    ASSERT_EQ(MMRESULT(TIMERR_NOERROR), timeEndPeriod(1));
    Sleep(35);
    EXPECT_EQ(35u, timeGetTime()) << "one request is still held";
    ASSERT_EQ(MMRESULT(TIMERR_NOERROR), timeEndPeriod(1));
    EXPECT_EQ(0u, standin::HeldTimerPeriods());
}

TEST_F(CoarseTimerTest, OffMeansMillisecondsAsBefore) {
    standin::UseCoarseTimer(false);
    Sleep(35);
    EXPECT_EQ(35u, timeGetTime());
}

}  // namespace
