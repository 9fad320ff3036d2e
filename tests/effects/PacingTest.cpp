// Deadline pacing on the virtual clock: deadlines of 0 and passed ones
// never sleep, one with time left sleeps exactly that long, and the wrap of
// the 32-bit clock never turns a short wait into a 49-day one.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include "standin/StandIn.h"
#include "effects/Pacing.h"

namespace {

class PacingTest : public ::testing::Test {
protected:
    void TearDown() override { standin::UseRealClock(); }
};

TEST_F(PacingTest, ZeroAndPassedDeadlinesDoNotWait) {
    standin::UseVirtualClock(5000);
    WaitForDeadline(0);
    EXPECT_EQ(5000u, timeGetTime()) << "deadline 0 never waits";
    WaitForDeadline(4999);
    WaitForDeadline(5000);
    EXPECT_EQ(5000u, timeGetTime()) << "a deadline that has come needs no sleep";
}

TEST_F(PacingTest, TimeLeftIsSleptOnce) {
    standin::UseVirtualClock(5000);
    DWORD deadline = 0;
    SetDeadline(deadline, 30);
    EXPECT_EQ(5030u, deadline);
    WaitForDeadline(deadline);
    EXPECT_EQ(5030u, timeGetTime()) << "30 ms left: slept 30 ms";
    Sleep(7);
    WaitForDeadline(deadline);
    EXPECT_EQ(5037u, timeGetTime()) << "passed by 7 ms: no sleep";
}

TEST_F(PacingTest, DeadlinesAcrossTheWrapWaitNoLongerThanTheirPeriod) {
    standin::UseVirtualClock(0xFFFFFFF0u);
    DWORD deadline = 0;
    SetDeadline(deadline, 60);
    EXPECT_EQ(0x2Cu, deadline) << "set in 32-bit arithmetic";
    WaitForDeadline(deadline);
    EXPECT_EQ(0x2Cu, timeGetTime()) << "waited 60 ms across the wrap";

    standin::UseVirtualClock(0xFFFFFFF0u);
    SetDeadline(deadline, 60);
    Sleep(20);  // now 4, past the wrap
    WaitForDeadline(deadline);
    EXPECT_EQ(0x2Cu, timeGetTime()) << "40 ms left after the wrap";

    standin::UseVirtualClock(0xFFFFFFC0u);
    SetDeadline(deadline, 60);  // 0xFFFFFFFC, just before the wrap
    Sleep(70);                  // now 6, just after it
    WaitForDeadline(deadline);
    EXPECT_EQ(6u, timeGetTime()) << "a passed deadline before the wrap does not wait 49 days";
}

}  // namespace
