// The show played for many passes on the virtual clock, with both threads:
// at the start of every pass the live heap bytes, GDI objects and global
// memory blocks, and the draw calls of the pass before, must be the same
// from pass 2 on. Pass 1 is allowed its one-time set-up.
//
// Nothing the program keeps is cleared, reset or rebuilt between passes:
// the draws are counted through the damage hook, as the Linux player sees
// them, so every record the platform keeps of them stays in the figures.
//
// AVREL_SOAK_PASSES sets the number of passes (default 3; `make soak` plays
// 20 under AddressSanitizer) and AVREL_SOAK_REPORT a file for the figures.
#include <gtest/gtest.h>
#include <windows.h>

#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef AVREL_ADDRESS_SANITIZER
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
#ifdef AVREL_ADDRESS_SANITIZER
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

// Draws of both threads as the damage hook reports them, and whether the
// logo thread is inside a sequence, and so holds the bitmap of its next
// frame: a sequence is 123 draws kCornerLogoPeriod apart, and a longer gap
// starts the next one. Fixed-size, so counting allocates nothing.
struct DrawCounter {
    size_t renderDraws = 0;
    size_t logoDraws = 0;
    int logoDrawsSinceGap = 0;
    DWORD lastLogoDraw = 0;

    // The virtual clock runs one thread at a time, so no lock is needed.
    static void Changed(void* context, HWND, const RECT&) {
        auto* self = static_cast<DrawCounter*>(context);
        if (GetCurrentThreadId() != stage.logoThreadId) {
            ++self->renderDraws;
            return;
        }
        const DWORD now = timeGetTime();
        if (self->logoDrawsSinceGap > 0 && now - self->lastLogoDraw > DWORD(kCornerLogoPeriod))
            self->logoDrawsSinceGap = 0;
        ++self->logoDrawsSinceGap;
        ++self->logoDraws;
        self->lastLogoDraw = now;
    }
    bool LogoFrameHeld() const { return logoDrawsSinceGap % kCornerLogoSequenceLength != 0; }
};

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
        DrawCounter& draws = self->draws;
        PassFigures f = {self->steps / kShowStepCount + 1,
                         ShowTime(),
                         LiveHeapBytes(),
                         standin::LiveGdiObjects(),
                         standin::LiveGlobalBlocks(),
                         draws.renderDraws - self->renderDrawsBefore,
                         draws.logoDraws - self->logoDrawsBefore,
                         draws.LogoFrameHeld()};
        self->renderDrawsBefore = draws.renderDraws;
        self->logoDrawsBefore = draws.logoDraws;
        if (self->figures.size() < self->figures.capacity())
            self->figures.push_back(f);
    }
    static void Ended(void* context, const char*) { --static_cast<SoakMeter*>(context)->depth; }

    std::vector<PassFigures> figures;
    DrawCounter draws;

private:
    int depth = 0;
    int steps = 0;
    size_t renderDrawsBefore = 0;
    size_t logoDrawsBefore = 0;
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
    standin::SetDamageHook(DrawCounter::Changed, &meter.draws);
    {
        // Nothing recorded: the soak sees only what the program itself keeps.
        ShowRun run(1024, 768, kShowClockStart, false);
        // A little past the start of the pass after the last one.
        while (int(meter.figures.size()) <= passes)
            run.RunUntil(ShowTime() + 10000);
    }
    standin::SetDamageHook(nullptr, nullptr);
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
#ifdef AVREL_ADDRESS_SANITIZER
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
