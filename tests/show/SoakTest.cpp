// The show played for many passes on the virtual clock, with both threads:
// at the start of every pass the live heap bytes, GDI objects and global
// memory blocks, and the draw calls of the pass before, must be the same
// from pass 2 on. Pass 1 is allowed its one-time set-up.
//
// AVREL_SOAK_PASSES sets the number of passes (default 3; `make soak` plays
// 20 under AddressSanitizer) and AVREL_SOAK_REPORT a file for the figures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime's allocator interface, which gcc ships no header for.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include "support/ShowHarness.h"
#include "show/LogoThread.h"
#include "show/ShowScript.h"
#include "show/ShowTrace.h"
#include "show/Stage.h"

namespace {

size_t LiveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

struct PassFigures {
    int pass;
    DWORD startMs;
    size_t heapBytes;
    long gdiObjects;
    long globalBlocks;
    size_t renderDraws;  // draw calls of the render thread in the pass before
    size_t logoDraws;    // and of the logo thread
    bool logoFrameHeld;  // the logo thread holds its next frame's bitmap
};

// Whether the logo thread is inside a sequence, and so holds the bitmap of
// its next frame, judged from its draws: a sequence is 123 draws
// kCornerLogoPeriod apart, and a longer gap starts the next one.
bool LogoFrameHeld(const std::vector<standin::BlitRecord>& log) {
    int drawsSinceGap = 0;
    DWORD last = 0;
    for (const standin::BlitRecord& blit : log) {
        if (blit.threadId != stage.logoThreadId)
            continue;
        if (drawsSinceGap > 0 && blit.time - last > DWORD(kCornerLogoPeriod))
            drawsSinceGap = 0;
        ++drawsSinceGap;
        last = blit.time;
    }
    return drawsSinceGap % kCornerLogoSequenceLength != 0;
}

// A trace hook that measures at the first operation of every pass. Its
// storage is reserved up front so that measuring allocates nothing.
class SoakMeter {
public:
    explicit SoakMeter(int passes) { figures.reserve(size_t(passes) + 1); }

    static void Began(void* context, const char*, const int*, int) {
        auto* self = static_cast<SoakMeter*>(context);
        if (self->depth++ > 0)
            return;
        if (self->steps++ % kShowStepCount != 0)
            return;
        PassFigures f = {self->steps / kShowStepCount + 1, ShowTime(), 0, 0, 0, 0, 0, false};
        {
            std::vector<standin::BlitRecord> log = standin::BlitLog();
            for (const standin::BlitRecord& blit : log)
                ++(blit.threadId == stage.logoThreadId ? f.logoDraws : f.renderDraws);
            f.logoFrameHeld = LogoFrameHeld(log);
        }
        standin::ClearBlitLog();
        f.heapBytes = LiveHeapBytes();
        f.gdiObjects = standin::LiveGdiObjects();
        f.globalBlocks = standin::LiveGlobalBlocks();
        if (self->figures.size() < self->figures.capacity())
            self->figures.push_back(f);
    }
    static void Ended(void* context, const char*) { --static_cast<SoakMeter*>(context)->depth; }

    std::vector<PassFigures> figures;

private:
    int depth = 0;
    int steps = 0;
};

int SoakPasses() {
    const char* text = std::getenv("AVREL_SOAK_PASSES");
    int passes = text != nullptr ? std::atoi(text) : 3;
    return passes >= 3 ? passes : 3;
}

TEST(SoakTest, EveryPassStartsWithTheSameHeapHandlesAndDraws) {
    const int passes = SoakPasses();
    SoakMeter meter(passes);
    ShowTrace trace = {&meter, SoakMeter::Began, SoakMeter::Ended};
    showTrace = &trace;
    {
        ShowRun run(1024, 768);
        // A little past the start of the pass after the last one.
        while (int(meter.figures.size()) <= passes)
            run.RunUntil(ShowTime() + 10000);
    }
    showTrace = nullptr;

    std::string table =
        "pass  start-ms  heap-bytes  gdi  global  render-draws  logo-draws  logo-frame\n";
    for (const PassFigures& f : meter.figures) {
        char line[128];
        std::snprintf(line, sizeof line, "%4d  %8u  %10zu  %3ld  %6ld  %12zu  %10zu  %s\n", f.pass,
                      unsigned(f.startMs), f.heapBytes, f.gdiObjects, f.globalBlocks, f.renderDraws,
                      f.logoDraws, f.logoFrameHeld ? "held" : "-");
        table += line;
    }
    std::printf("%s", table.c_str());
    if (const char* report = std::getenv("AVREL_SOAK_REPORT")) {
        if (FILE* file = std::fopen(report, "w")) {
            std::fputs(table.c_str(), file);
            std::fclose(file);
        }
    }

    // Figures of pass p describe its start and the draws of pass p - 1. The
    // logo thread's frame in hand is one GDI object and its bytes more.
    ASSERT_GT(meter.figures.size(), 2u);
    const PassFigures& second = meter.figures[1];
    for (size_t i = 2; i < meter.figures.size(); ++i) {
        const PassFigures& f = meter.figures[i];
        EXPECT_EQ(second.gdiObjects - second.logoFrameHeld, f.gdiObjects - f.logoFrameHeld)
            << "live GDI objects at pass " << f.pass;
        EXPECT_EQ(second.globalBlocks, f.globalBlocks) << "live global blocks at pass " << f.pass;
#if defined(__SANITIZE_ADDRESS__)
        // Only the sanitizer's allocator counts live bytes exactly.
        for (size_t k = 1; k < i; ++k) {
            if (meter.figures[k].logoFrameHeld == f.logoFrameHeld) {
                EXPECT_EQ(meter.figures[k].heapBytes, f.heapBytes)
                    << "live heap bytes at pass " << f.pass << " and " << meter.figures[k].pass;
                break;
            }
        }
#endif
        EXPECT_EQ(meter.figures[2].renderDraws, f.renderDraws)
            << "render draws in pass " << f.pass - 1;
        // The logo's cycle does not divide the pass: a few draws more or less.
        EXPECT_NEAR(double(meter.figures[2].logoDraws), double(f.logoDraws), 10.0)
            << "logo draws in pass " << f.pass - 1;
    }
}

}  // namespace
