// The effects' hot paths on the stand-in: building the blend tables, one
// full-stage cross-fade step (render and convert, and with its drawing,
// next to a plain copy of the same bytes, and drawn as the Linux player
// draws it), a four-line group step, a zoom frame's scaled copy, a
// filmstrip frame; and the memory a full-stage cross-fade holds at its peak.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstring>
#include <vector>

#include "standin/StandIn.h"
#include "effects/CrossFade.h"
#include "imaging/DeviceBitmap.h"
#include "effects/LineFadeGroup.h"
#include "imaging/BlendTable.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"
#include "BenchPalette.h"
#include "show/StageGeometry.h"

namespace {

BlendTable& Blend() {
    static BlendTable blend(&Palette(), 3);
    return blend;
}

// A window device context of the stage's size to draw on.
HDC StageDC() {
    static HDC dc = GetDC(standin::CreateScreenWindow(kStageWidth, kStageHeight));
    return dc;
}

void BM_BlendTableBuild(benchmark::State& state) {
    for (auto _ : state) {
        BlendTable blend(&Palette(), 3);
        benchmark::DoNotOptimize(blend.Level(6));
    }
}
BENCHMARK(BM_BlendTableBuild)->Unit(benchmark::kMillisecond);

void BM_Memcpy307200(benchmark::State& state) {
    std::vector<BYTE> from(307200, 1), to(307200);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy307200)->Unit(benchmark::kMicrosecond);

// Steps a full-stage cross-fade from the black canvas to picture 1000 over
// and over (steps 0 to `steps` - 1), handing each rendered frame to `use`.
template <class Use>
void StageFadeSteps(benchmark::State& state, int steps, Use use) {
    IndexedImage canvas(kStageWidth, kStageHeight, 1, &Palette()), picture(1000, &Palette());
    CrossFade fade(&canvas, 0, 0, kStageWidth, kStageHeight, &picture, 0, 0, &Blend());
    int k = 0;
    for (auto _ : state) {
        use(fade.RenderStep(k));
        k = (k + 1) % steps;
    }
}

// One blend step of the 640 x 480 stage: RenderStep, then ToDeviceBitmap.
void BM_CrossFadeStageStep(benchmark::State& state) {
    StageFadeSteps(state, 14, [](IndexedImage* frame) {
        DeviceBitmap* bitmap = frame->ToDeviceBitmap(StageDC());
        benchmark::DoNotOptimize(bitmap);
        delete bitmap;
    });
}
BENCHMARK(BM_CrossFadeStageStep)->Unit(benchmark::kMicrosecond);

// The same step made and drawn to the stage, as CrossFade::Run does it: the
// stand-in may convert a bitmap's rows while making it or while drawing it,
// so this is the whole cost of a frame either way.
void BM_CrossFadeStageStepDrawn(benchmark::State& state) {
    StageFadeSteps(state, 14, [](IndexedImage* frame) {
        DeviceBitmap* bitmap = frame->ToDeviceBitmap(StageDC());
        bitmap->Draw(StageDC(), 0, 0);
        delete bitmap;
    });
}
BENCHMARK(BM_CrossFadeStageStepDrawn)->Unit(benchmark::kMicrosecond);

// The same, drawn as the Linux player has it: only changes reported, so the
// stage keeps the indices it shows and stores only what a step changed.
void BM_CrossFadeStageStepDrawnChangesOnly(benchmark::State& state) {
    standin::SetDamageHook([](void*, HWND, const RECT&) {}, nullptr, true);
    StageFadeSteps(state, 14, [](IndexedImage* frame) {
        DeviceBitmap* bitmap = frame->ToDeviceBitmap(StageDC());
        bitmap->Draw(StageDC(), 0, 0);
        delete bitmap;
    });
    standin::SetDamageHook(nullptr, nullptr);
}
BENCHMARK(BM_CrossFadeStageStepDrawnChangesOnly)->Unit(benchmark::kMicrosecond);

// RenderStep alone, to tell the fade's own cost from the conversion.
void BM_CrossFadeStageRenderOnly(benchmark::State& state) {
    StageFadeSteps(state, 16, [](IndexedImage* frame) { benchmark::DoNotOptimize(frame); });
}
BENCHMARK(BM_CrossFadeStageRenderOnly)->Unit(benchmark::kMicrosecond);

// One step of four lines (two 511-pixel rows, two 290-pixel columns):
// render, convert and draw each, as LineFadeGroup::Run does per period.
void BM_LineGroupStep(benchmark::State& state) {
    IndexedImage canvas(kStageWidth, kStageHeight, 1, &Palette());
    IndexedImage horizontal(1005, &Palette()), vertical(1006, &Palette());
    CrossFade* lines[4] = {new CrossFade(&canvas, 60, 50, 511, 1, &horizontal, 0, 0, &Blend()),
                           new CrossFade(&canvas, 60, 340, 511, 1, &horizontal, 0, 1, &Blend()),
                           new CrossFade(&canvas, 60, 50, 1, 290, &vertical, 0, 0, &Blend()),
                           new CrossFade(&canvas, 570, 50, 1, 290, &vertical, 1, 0, &Blend())};
    const int x[4] = {60, 60, 60, 570}, y[4] = {50, 340, 50, 50};
    int k = 0;
    for (auto _ : state) {
        DeviceBitmap* bitmaps[4];
        for (int i = 0; i < 4; ++i)
            bitmaps[i] = lines[i]->RenderStep(k)->ToDeviceBitmap(StageDC());
        for (int i = 0; i < 4; ++i) {
            bitmaps[i]->Draw(StageDC(), x[i], y[i]);
            delete bitmaps[i];
        }
        k = (k + 1) % 16;
    }
    for (CrossFade* line : lines)
        delete line;
}
BENCHMARK(BM_LineGroupStep)->Unit(benchmark::kMicrosecond);

// A zoom frame's new scaled copy of the 485 x 29 logo at 61 %.
void BM_ZoomScaledCopy(benchmark::State& state) {
    IndexedImage logo(6000, &Palette());
    DeviceBitmap* full = logo.ToDeviceBitmap(StageDC());
    for (auto _ : state) {
        DeviceBitmap scaled(StageDC(), full, int(state.range(0)));
        benchmark::DoNotOptimize(scaled.Handle());
    }
    delete full;
}
BENCHMARK(BM_ZoomScaledCopy)->Arg(20)->Arg(61)->Arg(100)->Unit(benchmark::kMicrosecond);

// One corner-logo frame: the 80 x 54 band made a bitmap, drawn, deleted.
void BM_FilmstripFrame(benchmark::State& state) {
    IndexedImage strip(9000, &Palette());
    int frame = 0;
    for (auto _ : state) {
        DeviceBitmap* bitmap =
            strip.BandToDeviceBitmap(StageDC(), kCornerLogoHeight * frame, kCornerLogoHeight);
        bitmap->Draw(StageDC(), 560, 426);
        delete bitmap;
        frame = (frame + 1) % 41;
    }
}
BENCHMARK(BM_FilmstripFrame)->Unit(benchmark::kMicrosecond);

// Bytes a full-stage cross-fade holds while a step's bitmap exists: its
// frame and keys (global heap) and the device bitmap (the stand-in's, at
// 4 bytes a pixel as on a true-colour screen).
void BM_CrossFadeStagePeakMemory(benchmark::State& state) {
    IndexedImage canvas(kStageWidth, kStageHeight, 1, &Palette()), picture(1000, &Palette());
    size_t heapPeak = 0, bitmapPeak = 0;
    for (auto _ : state) {
        size_t heapBefore = mallinfo2().uordblks;
        standin::ResetPeakBitmapBytes();
        size_t bitmapsBefore = standin::BitmapBytes();
        CrossFade* fade =
            new CrossFade(&canvas, 0, 0, kStageWidth, kStageHeight, &picture, 0, 0, &Blend());
        for (int k = 0; k < fade->StepCount(); ++k) {
            DeviceBitmap* bitmap = fade->RenderStep(k)->ToDeviceBitmap(StageDC());
            size_t heap = mallinfo2().uordblks - heapBefore;
            if (heap > heapPeak)
                heapPeak = heap;
            delete bitmap;
        }
        delete fade;
        bitmapPeak = standin::PeakBitmapBytes() - bitmapsBefore;
    }
    state.counters["heap_bytes"] = double(heapPeak);
    state.counters["bitmap_bytes"] = double(bitmapPeak);
}
BENCHMARK(BM_CrossFadeStagePeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
