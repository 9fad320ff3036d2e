// Decoding each picture the show's way, side by side with libjpeg's own
// decoding path (memory source, the same colour map and dithering), which
// is what djpeg -map -dither fs runs, and with the library decoding to
// plain RGB, the floor under both. BM_DecodeVersusLibrary times the two
// palette decodes of every picture in turn within one run and reports their
// ratio, which stays meaningful on a busy machine.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "support/PictureCatalogue.h"
#include "imaging/DecodeJpegResource.h"
#include "imaging/PaletteCellMap.h"
#include "imaging/PaletteDither.h"
#include "imaging/ShowPalette.h"
#include "BenchPalette.h"

namespace {

void SetPixelCounters(benchmark::State& state, int width, int height) {
    state.counters["Mpixel/s"] = benchmark::Counter(double(width) * height / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DecodeJpegResource(benchmark::State& state) {
    WORD id = WORD(state.range(0));
    int width = 0, height = 0;
    for (auto _ : state) {
        BYTE* buffer = DecodeJpegResource(id, &width, &height, &Palette());
        benchmark::DoNotOptimize(buffer);
        GlobalFree(buffer);
    }
    SetPixelCounters(state, width, height);
}

struct PictureBytes {
    const unsigned char* bytes;
    unsigned long size;
};

PictureBytes BytesOf(int id) {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_RCDATA);
    auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, resource)));
    return {bytes, SizeofResource(nullptr, resource)};
}

// Opens `picture` for libjpeg's own decode, its header read.
void OpenPicture(jpeg_decompress_struct* cinfo, jpeg_error_mgr* error, PictureBytes picture) {
    cinfo->err = jpeg_std_error(error);
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, picture.bytes, picture.size);
    jpeg_read_header(cinfo, TRUE);
}

// libjpeg's own path: jpeg_mem_src over the same bytes, the same settings;
// with `quantize` false, plain RGB rows and no palette at all.
void LibraryDecodeOnce(PictureBytes picture, bool quantize, std::vector<JSAMPLE>* row, int* width,
                       int* height) {
    ShowPalette& palette = Palette();
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    OpenPicture(&cinfo, &error, picture);
    if (quantize) {
        cinfo.quantize_colors = TRUE;
        cinfo.actual_number_of_colors = 256;
        cinfo.colormap =
            (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, 256, 3);
        for (int i = 0; i < 256; ++i) {
            cinfo.colormap[0][i] = palette.Red(i);
            cinfo.colormap[1][i] = palette.Green(i);
            cinfo.colormap[2][i] = palette.Blue(i);
        }
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    *width = int(cinfo.output_width);
    *height = int(cinfo.output_height);
    row->resize(size_t(cinfo.output_width) * size_t(cinfo.output_components));
    JSAMPROW rows[1] = {row->data()};
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, rows, 1);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(row->data());
}

void LibraryDecodeLoop(benchmark::State& state, bool quantize) {
    PictureBytes picture = BytesOf(int(state.range(0)));
    int width = 0, height = 0;
    std::vector<JSAMPLE> row;
    for (auto _ : state)
        LibraryDecodeOnce(picture, quantize, &row, &width, &height);
    SetPixelCounters(state, width, height);
}

void BM_LibraryDecode(benchmark::State& state) {
    LibraryDecodeLoop(state, true);
}

void BM_LibraryRgbDecode(benchmark::State& state) {
    LibraryDecodeLoop(state, false);
}

// Building the palette's cell table, which the first decode pays once.
void BM_CellMapBuild(benchmark::State& state) {
    for (auto _ : state) {
        PaletteCellMap map(&Palette());
        benchmark::DoNotOptimize(map.Cells());
    }
}

// The dithering alone, over a picture decoded to RGB once beforehand.
void BM_DitherOnly(benchmark::State& state) {
    PictureBytes picture = BytesOf(int(state.range(0)));
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    OpenPicture(&cinfo, &error, picture);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    int width = int(cinfo.output_width), height = int(cinfo.output_height);
    std::vector<JSAMPLE> rgb(size_t(width) * 3 * size_t(height));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb.data() + size_t(cinfo.output_scanline) * size_t(width) * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    const PaletteCellMap& map = *Palette().CellMap();
    std::vector<BYTE> out(size_t(width) * size_t(height));
    std::vector<int16_t> errors(DitherErrorCount(width));
    for (auto _ : state) {
        std::fill(errors.begin(), errors.end(), int16_t(0));
        for (int y = 0; y < height; ++y)
            DitherRowToPalette(map, rgb.data() + size_t(y) * size_t(width) * 3, width, (y & 1) != 0,
                               errors.data(), out.data() + size_t(y) * size_t(width));
        benchmark::DoNotOptimize(out.data());
    }
    SetPixelCounters(state, width, height);
}

// Every picture of the show, decoded the show's way and the library's way
// in turn; the counters give each side's milliseconds per pass over all
// pictures and the show's time as a share of the library's.
void BM_DecodeVersusLibrary(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    Clock::duration ours{}, library{};
    std::vector<JSAMPLE> row;
    int width = 0, height = 0;
    for (auto _ : state) {
        for (const CataloguePicture& picture : kPictures) {
            Clock::time_point start = Clock::now();
            BYTE* buffer = DecodeJpegResource(WORD(picture.id), &width, &height, &Palette());
            benchmark::DoNotOptimize(buffer);
            GlobalFree(buffer);
            Clock::time_point middle = Clock::now();
            LibraryDecodeOnce(BytesOf(picture.id), true, &row, &width, &height);
            Clock::time_point end = Clock::now();
            ours += middle - start;
            library += end - middle;
        }
    }
    double oursMs = std::chrono::duration<double, std::milli>(ours).count();
    double libraryMs = std::chrono::duration<double, std::milli>(library).count();
    state.counters["ours_ms"] = benchmark::Counter(oursMs, benchmark::Counter::kAvgIterations);
    state.counters["library_ms"] =
        benchmark::Counter(libraryMs, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = libraryMs > 0 ? oursMs / libraryMs : 0;
}

void PictureArguments(benchmark::internal::Benchmark* bench) {
    for (const CataloguePicture& picture : kPictures)
        bench->Arg(picture.id);
    bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_DecodeJpegResource)->Apply(PictureArguments);
BENCHMARK(BM_LibraryDecode)->Apply(PictureArguments);
BENCHMARK(BM_LibraryRgbDecode)->Apply(PictureArguments);
BENCHMARK(BM_CellMapBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DitherOnly)->Arg(1000)->Arg(6001)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeVersusLibrary)->Unit(benchmark::kMillisecond);

}  // namespace
