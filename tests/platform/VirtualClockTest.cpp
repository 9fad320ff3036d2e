// The stand-in's virtual clock and its threads: time moves only in Sleep,
// threads take turns in a fixed order, a run repeats exactly, and threads
// that never return can be stopped.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "standin/StandIn.h"

namespace {

// What the test threads record: who woke when.
struct Journal {
    std::vector<std::string> entries;
    void Note(const char* who) {
        entries.push_back(std::string(who) + "@" + std::to_string(timeGetTime()));
    }
};

Journal* journal = nullptr;

DWORD WINAPI Ticker(LPVOID parameter) {
    const char* name = static_cast<const char*>(parameter);
    for (int i = 0; i < 3; ++i) {
        journal->Note(name);
        Sleep(10);
    }
    return 0;
}

DWORD WINAPI Forever(LPVOID parameter) {
    for (;;) {
        journal->Note(static_cast<const char*>(parameter));
        Sleep(100);
    }
}

class VirtualClockTest : public ::testing::Test {
protected:
    void SetUp() override { journal = &record; }
    void TearDown() override {
        standin::UseRealClock();
        journal = nullptr;
    }
    Journal record;
};

TEST_F(VirtualClockTest, SleepMovesTheClockAtOnce) {
    auto before = std::chrono::steady_clock::now();
    standin::UseVirtualClock(1000);
    EXPECT_TRUE(standin::VirtualClockOn());
    EXPECT_EQ(1000u, timeGetTime());
    Sleep(3600 * 1000);
    EXPECT_EQ(1000u + 3600 * 1000, timeGetTime()) << "an hour passes in no time";
    Sleep(0);
    EXPECT_EQ(1000u + 3600 * 1000, timeGetTime());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
}

TEST_F(VirtualClockTest, ThreadsTakeTurnsObserverFirstThenCreationOrder) {
    standin::UseVirtualClock(0);
    CloseHandle(CreateThread(nullptr, 0, Ticker, const_cast<char*>("a"), 0, nullptr));
    CloseHandle(CreateThread(nullptr, 0, Ticker, const_cast<char*>("b"), 0, nullptr));
    record.Note("main");
    Sleep(10);  // due at 10 together with both threads: the observer goes first
    record.Note("main");
    Sleep(100);
    std::vector<std::string> expected = {"main@0", "a@0",  "b@0",  "main@10",
                                         "a@10",   "b@10", "a@20", "b@20"};
    EXPECT_EQ(expected, record.entries);
}

TEST_F(VirtualClockTest, TheSameRunTwiceGivesTheSameJournal) {
    std::vector<std::string> runs[2];
    for (auto& run : runs) {
        record.entries.clear();
        standin::UseVirtualClock(0xFFFFFF00u);
        CloseHandle(CreateThread(nullptr, 0, Forever, const_cast<char*>("x"), 0, nullptr));
        CloseHandle(CreateThread(nullptr, 0, Ticker, const_cast<char*>("y"), 0, nullptr));
        Sleep(450);
        standin::StopAllThreads();
        run = record.entries;
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(8u, runs[0].size()) << "x at 0, 100, 200, 300, 400 and y at 0, 10, 20";
}

TEST_F(VirtualClockTest, StoppedThreadsNeverRunAgain) {
    standin::UseVirtualClock(0);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, Forever, const_cast<char*>("loop"), 0, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_NE(GetCurrentThreadId(), id);
    CloseHandle(thread);
    Sleep(250);
    standin::StopAllThreads();
    size_t seen = record.entries.size();
    EXPECT_EQ(3u, seen) << "at 0, 100 and 200";
    Sleep(1000);
    EXPECT_EQ(seen, record.entries.size()) << "nothing after the stop";
    EXPECT_EQ(1250u, timeGetTime()) << "the observer goes on alone";
}

TEST_F(VirtualClockTest, TheRealClockSleepsForReal) {
    DWORD before = timeGetTime();
    Sleep(20);
    EXPECT_GE(timeGetTime() - before, 19u) << "at least the time asked for";
}

}  // namespace
