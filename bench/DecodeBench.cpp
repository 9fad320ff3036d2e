// Decoding each picture the show's way, side by side with libjpeg's own
// decoding path (memory source, the same colour map and dithering), which
// is what djpeg -map -dither fs runs.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "support/PictureCatalogue.h"
#include "imaging/DecodeJpegResource.h"
#include "imaging/ShowPalette.h"

namespace {

ShowPalette& Palette() {
    static ShowPalette palette(4098, 256);
    return palette;
}

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

// libjpeg's own path: jpeg_mem_src over the same bytes, the same settings.
void BM_LibraryDecode(benchmark::State& state) {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(state.range(0)), RT_RCDATA);
    auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, resource)));
    unsigned long size = SizeofResource(nullptr, resource);
    ShowPalette& palette = Palette();
    int width = 0, height = 0;
    std::vector<JSAMPLE> row;
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr error;
        cinfo.err = jpeg_std_error(&error);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, bytes, size);
        jpeg_read_header(&cinfo, TRUE);
        cinfo.quantize_colors = TRUE;
        cinfo.actual_number_of_colors = 256;
        cinfo.colormap =
            (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, 256, 3);
        for (int i = 0; i < 256; ++i) {
            cinfo.colormap[0][i] = palette.Red(i);
            cinfo.colormap[1][i] = palette.Green(i);
            cinfo.colormap[2][i] = palette.Blue(i);
        }
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        width = int(cinfo.output_width);
        height = int(cinfo.output_height);
        row.resize(cinfo.output_width);
        JSAMPROW rows[1] = {row.data()};
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, rows, 1);
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(row.data());
    }
    SetPixelCounters(state, width, height);
}

void PictureArguments(benchmark::internal::Benchmark* bench) {
    for (const CataloguePicture& picture : kPictures)
        bench->Arg(picture.id);
    bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_DecodeJpegResource)->Apply(PictureArguments);
BENCHMARK(BM_LibraryDecode)->Apply(PictureArguments);

}  // namespace
