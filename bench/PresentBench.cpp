// avrel's present path for one full-stage frame: the 640 x 480 stage read
// from the in-memory screen and painted into an X image's pixel memory at
// scale 1 and 2 (32-bit TrueColor, and 16-bit 5-6-5 for comparison), next
// to a plain memcpy of the same number of image bytes, and as a ratio to
// that memcpy taken in the same loop.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <time.h>

#include <cstring>
#include <vector>

#include "standin/StandIn.h"
#include "linux/ScreenImage.h"
#include "show/StageGeometry.h"
#include "support/SolidFill.h"

namespace {

const int kWidth = kStageWidth, kHeight = kStageHeight;

// Every pixel drawn (one of 256 colours), as the stage is after a picture.
void FillWithNoise(HWND window) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    info.header = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 8, BI_RGB, 0, 0, 0, 256, 256};
    for (int i = 0; i < 256; ++i)
        info.colours[i] = {BYTE(i * 7), BYTE(i * 13), BYTE(i * 29), 0};
    std::vector<BYTE> bits(size_t(kWidth) * kHeight);
    for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = BYTE(i * 2654435761u >> 24);
    HDC dc = GetDC(window);
    HBITMAP bitmap = CreateDIBitmap(dc, &info.header, CBM_INIT, bits.data(),
                                    reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DrawBitmap(dc, 0, 0, kWidth, kHeight, bitmap);
    DeleteObject(bitmap);
    ReleaseDC(window, dc);
}

// A full stage of noise on the stand-in's screen and the image it is
// presented into, at that layout and scale.
struct PresentedStage {
    PresentedStage(const PixelLayout& layout, int scale)
        : window(standin::CreateScreenWindow(kWidth, kHeight)),
          painter(layout, scale),
          stride(size_t(kWidth) * size_t(scale) * size_t(layout.bitsPerPixel / 8)),
          image(stride * size_t(kHeight) * size_t(scale)) {
        FillWithNoise(window);
    }
    ~PresentedStage() { standin::DestroyScreenWindow(window); }

    void Paint() {
        painter.Paint(window, RECT{0, 0, kWidth, kHeight}, image.data(), stride);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }

    HWND window;
    ScreenImage painter;
    size_t stride;
    std::vector<uint8_t> image;
};

void Present(benchmark::State& state, const PixelLayout& layout) {
    PresentedStage stage(layout, int(state.range(0)));
    for (auto _ : state)
        stage.Paint();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stage.image.size()));
}

// Field by field, so that every version of the layout takes it.
PixelLayout Layout(uint32_t red, uint32_t green, uint32_t blue, int bits) {
    PixelLayout layout = {};
    layout.redMask = red;
    layout.greenMask = green;
    layout.blueMask = blue;
    layout.bitsPerPixel = bits;
    layout.msbFirst = false;
    return layout;
}

// The CPU time of this thread, in seconds: on a shared machine the wall
// clock also counts the time other programs had the core.
double ThreadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Presenting a full stage against a memcpy of the 32-bit image of that
// stage at that scale, interleaved in one loop so that both see the same
// machine; the counter vs_memcpy is the ratio of their CPU times.
void PresentAgainstMemcpy(benchmark::State& state, const PixelLayout& layout) {
    const int scale = int(state.range(0));
    PresentedStage stage(layout, scale);
    const size_t bytes = size_t(kWidth) * size_t(kHeight) * 4 * size_t(scale) * size_t(scale);
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    double presenting = 0, copying = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        stage.Paint();
        const double middle = ThreadSeconds();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        const double end = ThreadSeconds();
        presenting += middle - start;
        copying += end - middle;
    }
    const double n = double(state.iterations());
    state.counters["present_us"] = 1e6 * presenting / n;
    state.counters["memcpy_us"] = 1e6 * copying / n;
    state.counters["vs_memcpy"] = copying > 0 ? presenting / copying : 0;
}

// Each at 32 bits (8-8-8) and at 16 bits (5-6-5), at scales 1 and 2.
const PixelLayout kRgb32 = Layout(0xFF0000, 0xFF00, 0xFF, 32);
const PixelLayout kRgb16 = Layout(0xF800, 0x7E0, 0x1F, 16);
BENCHMARK_CAPTURE(PresentAgainstMemcpy, 32, kRgb32)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(PresentAgainstMemcpy, 16, kRgb16)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Present, 32, kRgb32)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Present, 16, kRgb16)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The same bytes as BM_PresentStage32 writes, copied plainly.
void BM_MemcpyStageImage32(benchmark::State& state) {
    const int scale = int(state.range(0));
    const size_t bytes = size_t(kWidth) * size_t(kHeight) * 4 * size_t(scale) * size_t(scale);
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_MemcpyStageImage32)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
