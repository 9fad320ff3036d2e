// The show under the system timer of Windows 10 and 11 (a 15.625 ms tick),
// with and without the 1 ms period the saver asks for: without it every
// wait stretches to the next tick and a pass runs long; with it a pass
// keeps its 84,245 ms and every frame its period.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "support/ShowHarness.h"
#include "show/Stage.h"

namespace {

struct TimedPass {
    DWORD passMs = 0;               // from the first step of pass 1 to that of pass 2
    std::vector<DWORD> zoomGaps;    // between frames of the first ZoomLogoIn
    std::vector<DWORD> fadeGaps;    // between steps of the first ShowPicture
    std::vector<DWORD> logoCycles;  // from one cycle's first corner frame to the next's
};

// Gaps between the frames the render thread drew within [start, end] of a
// call; transfers at the same moment belong to one frame.
std::vector<DWORD> FrameGaps(const std::vector<standin::BlitRecord>& blits, DWORD thread,
                             const TracedCall& call) {
    std::vector<DWORD> times;
    for (const standin::BlitRecord& blit : blits) {
        DWORD at = blit.time - kShowClockStart;
        if (blit.threadId == thread && at >= call.start && at <= call.end &&
            (times.empty() || times.back() != at))
            times.push_back(at);
    }
    std::vector<DWORD> gaps;
    for (size_t i = 1; i < times.size(); ++i)
        gaps.push_back(times[i] - times[i - 1]);
    return gaps;
}

TimedPass RunPass(bool askForOneMs) {
    standin::UseCoarseTimer(true);
    if (askForOneMs) {
        EXPECT_EQ(MMRESULT(TIMERR_NOERROR), timeBeginPeriod(1));
    }
    TimedPass timed;
    TraceRecorder recorder;
    std::vector<standin::BlitRecord> blits;
    DWORD logoThread = 0;
    {
        ShowRun run(1024, 768);
        run.RunUntil(92000);
        blits = standin::BlitLog();
        logoThread = stage.logoThreadId;
    }
    const TracedCall* zoom = nullptr;
    const TracedCall* fade = nullptr;
    DWORD firstStart = 0, secondStart = 0;
    bool first = true;
    for (const TracedCall& call : recorder.calls) {
        if (call.pass == 1 && call.step == 1 && call.depth == 0)
            firstStart = call.start;
        if (call.pass == 2 && call.step == 1 && call.depth == 0 && first) {
            secondStart = call.start;
            first = false;
        }
        if (zoom == nullptr && call.name == "ZoomLogoIn")
            zoom = &call;
        if (fade == nullptr && call.name == "ShowPicture")
            fade = &call;
    }
    EXPECT_FALSE(first) << "a second pass began";
    timed.passMs = secondStart - firstStart;
    // The render thread is whichever thread drew the first picture.
    DWORD renderThread = 0;
    for (const standin::BlitRecord& blit : blits) {
        if (blit.threadId != logoThread) {
            renderThread = blit.threadId;
            break;
        }
    }
    if (zoom != nullptr)
        timed.zoomGaps = FrameGaps(blits, renderThread, *zoom);
    if (fade != nullptr)
        timed.fadeGaps = FrameGaps(blits, renderThread, *fade);
    // The corner logo draws 123 frames a cycle.
    std::vector<DWORD> logoTimes;
    for (const standin::BlitRecord& blit : blits) {
        if (blit.threadId == logoThread)
            logoTimes.push_back(blit.time - kShowClockStart);
    }
    for (size_t i = 123; i < logoTimes.size(); i += 123)
        timed.logoCycles.push_back(logoTimes[i] - logoTimes[i - 123]);
    if (askForOneMs) {
        EXPECT_EQ(MMRESULT(TIMERR_NOERROR), timeEndPeriod(1));
    }
    standin::UseCoarseTimer(false);
    return timed;
}

double Mean(const std::vector<DWORD>& values) {
    double sum = 0;
    for (DWORD v : values)
        sum += v;
    return values.empty() ? 0 : sum / double(values.size());
}

TEST(CoarseTimerPass, WithoutTheOneMillisecondPeriodEveryWaitStretchesToATick) {
    TimedPass timed = RunPass(false);
    std::printf(
        "coarse timer, no request: pass %u ms, zoom frames %.2f ms, fade steps %.2f ms, "
        "corner logo cycle %u ms\n",
        unsigned(timed.passMs), Mean(timed.zoomGaps), Mean(timed.fadeGaps),
        timed.logoCycles.empty() ? 0u : unsigned(timed.logoCycles[0]));
    // 35 ms becomes three ticks (46.875 ms), 60 ms four (62.5 ms), a pass
    // about 89.6 s and the logo's 13 s cycle about 14.2 s.
    ASSERT_EQ(39u, timed.zoomGaps.size()) << "zoom frames";
    for (DWORD gap : timed.zoomGaps)
        EXPECT_TRUE(gap == 46 || gap == 47) << "zoom frame gap " << gap;
    ASSERT_EQ(15u, timed.fadeGaps.size()) << "cross-fade steps";
    for (DWORD gap : timed.fadeGaps)
        EXPECT_TRUE(gap == 62 || gap == 63) << "fade step gap " << gap;
    EXPECT_GT(timed.passMs, 89000u);
    EXPECT_LT(timed.passMs, 90200u);
    ASSERT_FALSE(timed.logoCycles.empty());
    EXPECT_GT(timed.logoCycles[0], 14100u);
    EXPECT_LT(timed.logoCycles[0], 14250u);
}

TEST(CoarseTimerPass, WithTheOneMillisecondPeriodThePassKeepsItsTime) {
    TimedPass timed = RunPass(true);
    std::printf(
        "coarse timer, 1 ms period held: pass %u ms, zoom frames %.2f ms, fade steps "
        "%.2f ms\n",
        unsigned(timed.passMs), Mean(timed.zoomGaps), Mean(timed.fadeGaps));
    EXPECT_EQ(kPassMs, timed.passMs);
    ASSERT_EQ(39u, timed.zoomGaps.size()) << "zoom frames";
    for (DWORD gap : timed.zoomGaps)
        EXPECT_EQ(35u, gap) << "zoom frame gap";
    ASSERT_EQ(15u, timed.fadeGaps.size()) << "cross-fade steps";
    for (DWORD gap : timed.fadeGaps)
        EXPECT_EQ(60u, gap) << "fade step gap";
    ASSERT_FALSE(timed.logoCycles.empty());
    EXPECT_EQ(13000u, timed.logoCycles[0]);
}

}  // namespace
