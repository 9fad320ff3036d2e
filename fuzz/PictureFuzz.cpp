// Arbitrary bytes served as a picture resource and decoded with the show
// palette, as the show decodes its pictures. A result is either nothing
// (an empty image) or exactly the size the picture's header states, laid
// out by the stride rule, with every byte of its block addressable, and
// holds exactly the indices libjpeg's own quantizer gives for the same
// bytes; the library refuses what the decoder refuses.
#include <csetjmp>
#include <cstdio>
#include <cstdint>
#include <cstring>

#include <jpeglib.h>

#include "standin/StandIn.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"
#include "show/Stage.h"
#include "FuzzCheck.h"
#include "support/LibraryPaletteDecode.h"

namespace {

const WORD kPictureId = 1000;
const int64_t kMaxFuzzPixels = 32 * 32;
// Replays decode every size, but compare with the library only up to this.
const int64_t kMaxComparedPixels = 4 << 20;

// The size the header states, read by the library on its own; false when
// the bytes have no readable header.
struct HeaderError {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void Silent(j_common_ptr) {}
[[noreturn]] void Bail(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<HeaderError*>(cinfo->err)->jump, 1);
}

bool StatedSize(const uint8_t* data, size_t size, int* width, int* height) {
    jpeg_decompress_struct cinfo;
    HeaderError error;
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = Bail;
    error.manager.output_message = Silent;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, const_cast<uint8_t*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    *width = int(cinfo.image_width);
    *height = int(cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

ShowPalette& Palette() {
    static ShowPalette palette(kShowPaletteId, 256);
    return palette;
}

void Check(bool condition, const char* what) {
    FuzzCheck("picture fuzz", condition, what);
}

// The library's quantizer over the same bytes, with the same palette.
void CompareWithLibrary(IndexedImage& image, const uint8_t* data, size_t size) {
    LibraryPicture library = LibraryPaletteDecode(size > 0 ? data : nullptr, size, &Palette());
    Check(library.decoded == (image.Pixels() != nullptr),
          "the decoder and the library disagree on whether the bytes are a picture");
    if (!library.decoded || image.Pixels() == nullptr)
        return;
    Check(library.width == image.Width() && library.height == image.Height(),
          "the decoder and the library disagree on the size");
    for (int y = 0; y < image.Height(); ++y) {
        const BYTE* ours = image.Pixels() + size_t(image.Stride()) * size_t(image.Height() - 1 - y);
        const BYTE* theirs = library.rows.data() + size_t(library.width) * size_t(y);
        Check(std::memcmp(ours, theirs, size_t(image.Width())) == 0,
              "an index differs from the library's quantizer");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ShowPalette& palette = Palette();
    int statedWidth = 0, statedHeight = 0;
    bool hasHeader = size > 0 && StatedSize(data, size, &statedWidth, &statedHeight);
#ifdef AVREL_FUZZING
    // Decoding time grows with the stated size (each input is decoded twice,
    // once by the library's quantizer), and the library's code paths do
    // not: small pictures keep the fuzzer fast. Replays decode every size.
    if (hasHeader && int64_t(statedWidth) * statedHeight > kMaxFuzzPixels)
        return 0;
#endif

    long blocksBefore = standin::LiveGlobalBlocks();
    standin::ReplaceResource(10, kPictureId, size > 0 ? data : nullptr, DWORD(size));
    {
        IndexedImage image(kPictureId, &palette);
        if (image.Pixels() == nullptr) {
            Check(image.Width() == 0 && image.Height() == 0, "an empty image has a size");
        } else {
            Check(hasHeader, "a picture came from bytes without a header");
            Check(image.Width() == statedWidth && image.Height() == statedHeight,
                  "the picture's size is not the one its header states");
            Check(image.Stride() == (image.Width() + 3) / 4 * 4 && image.Stride() >= image.Width(),
                  "the stride is not the width rounded up to a multiple of 4");
            // The last byte of stride * height + 10: addressable, or the sanitizer says so.
            volatile BYTE last = image.Pixels()[size_t(image.Stride()) * image.Height() + 9];
            (void)last;
        }
        if (int64_t(statedWidth) * statedHeight <= kMaxComparedPixels)
            CompareWithLibrary(image, data, size);
    }
    standin::RestoreResources();
    Check(standin::LiveGlobalBlocks() == blocksBefore, "a decode left a global block behind");
    return 0;
}
