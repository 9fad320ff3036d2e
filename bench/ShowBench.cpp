// The show's costs on the stand-in: the CPU time of one whole pass (all its
// decoding, blend steps and conversions to device bitmaps, plus the
// stand-in's own drawing), the start-up up to the first frame on screen,
// and the memory a pass holds at its peak. A pass runs on the virtual
// clock, so no time is spent waiting.
#include <windows.h>

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <mmsystem.h>

#include "standin/StandIn.h"
#include "effects/CrossFade.h"
#include "imaging/DeviceBitmap.h"
#include "effects/Filmstrip.h"
#include "effects/LineFadeGroup.h"
#include "imaging/IndexedImage.h"
#include "show/RenderThread.h"
#include "show/ShowScript.h"
#include "show/Stage.h"
#include "show/TraceRecorder.h"
#include "support/TestStage.h"

namespace {

HWND OpenStage() {
    HWND window;
    OpenTestStage(&window);
    return window;
}

// One pass of the script on this thread: only CPU work remains.
void BM_ShowPass(benchmark::State& state) {
    standin::UseVirtualClock(kShowClockStart);
    HWND window = OpenStage();
    for (auto _ : state)
        PlayShowPass();
    CloseTestStage(window);
    standin::UseRealClock();
}
BENCHMARK(BM_ShowPass)->Unit(benchmark::kMillisecond)->Iterations(3);

// What the render thread does before its first frame is on screen: the
// palette, the blend tables, the canvas, the corner logo, and the first
// step of the first picture's cross-fade, drawn.
void BM_StartUpToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        HWND window = OpenStage();
        stage.cornerLogo = new Filmstrip(kCornerLogoId, kCornerLogoFrames, stage.palette);
        IndexedImage picture(1000, stage.palette);
        CrossFade fade(stage.canvas, 0, 0, kStageWidth, kStageHeight, &picture, 0, 0, stage.blend);
        DeviceBitmap* frame = fade.RenderStep(0)->ToDeviceBitmap(stage.screenDC);
        frame->Draw(stage.screenDC, stage.offsetX, stage.offsetY);
        delete frame;
        state.PauseTiming();
        CloseTestStage(window);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond);

// The real render and logo threads for one pass, looked at every 5 ms of
// show time: every sleep of the render thread lasts at least 35 ms, so the
// memory it holds while waiting for a frame, which is when it holds the
// most, is always seen.
void BM_ShowPassPeakMemory(benchmark::State& state) {
    size_t peakHeap = 0, baseHeap = 0, peakBitmaps = 0;
    for (auto _ : state) {
        standin::UseVirtualClock(kShowClockStart);
        baseHeap = mallinfo2().uordblks;
        HWND window = standin::CreateScreenWindow(1024, 768);
        stage = Stage{};
        standin::ResetPeakBitmapBytes();
        size_t windowHeap = mallinfo2().uordblks;
        StartRenderThread(window);
        for (DWORD t = 0; t <= 84245; t += 5) {
            DWORD now = timeGetTime() - kShowClockStart;
            if (t > now)
                Sleep(t - now);
            size_t heap = mallinfo2().uordblks;
            if (heap > peakHeap)
                peakHeap = heap;
        }
        peakBitmaps = standin::PeakBitmapBytes();
        baseHeap = windowHeap;
        standin::StopAllThreads();
        ReleaseStage();
        stage = Stage{};
        standin::DestroyScreenWindow(window);
        standin::UseRealClock();
    }
    state.counters["peak_heap_MB"] = double(peakHeap - baseHeap) / (1 << 20);
    state.counters["peak_bitmaps_MB"] = double(peakBitmaps) / (1 << 20);
}
BENCHMARK(BM_ShowPassPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
