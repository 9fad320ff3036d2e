#include "imaging/DecodeJpegResource.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/PaletteCellMap.h"
#include "imaging/PaletteDither.h"
#include "imaging/RcData.h"
#include "imaging/ResourceSource.h"
#include "imaging/ShowPalette.h"

namespace {

// The library's error manager plus the way back into DecodeJpegResource.
struct ErrorRecord {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void SwallowMessage(j_common_ptr) {}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<ErrorRecord*>(cinfo->err)->jump, 1);
}

// The largest buffer a decode asks for. A corrupt header can claim up to
// 65500 x 65500 pixels, whose buffer size would not even fit 32 bits.
const uint64_t kMaxBufferBytes = 0x40000000;

// Rows decoded before they are dithered: dithering a strip at a time keeps
// the palette's cell table in the cache, which the library's own work
// between two rows would push out. At most 32 rows and about 64 KB.
const int kStripRows = 32;
const SIZE_T kStripBytes = 65536;

int StripRows(int width, int height) {
    SIZE_T rows = kStripBytes / (3 * SIZE_T(width));
    if (rows > SIZE_T(kStripRows))
        rows = kStripRows;
    if (rows > SIZE_T(height))
        rows = SIZE_T(height);
    return rows < 1 ? 1 : int(rows);
}

}  // namespace

BYTE* DecodeJpegResource(WORD resourceId, int* width, int* height, ShowPalette* palette) {
    int count = palette->Count();

    DWORD size = 0;
    const BYTE* bytes = LockRcData(resourceId, &size);
    if (bytes == nullptr)
        return nullptr;

    jpeg_decompress_struct cinfo;
    ErrorRecord error;
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = ErrorExit;
    error.manager.output_message = SwallowMessage;

    // Set before the jump point can be reached, read after a jump: volatile.
    BYTE* volatile buffer = nullptr;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        // A picture that fails part-way must not leak the rows it had.
        if (buffer != nullptr)
            GlobalFree(buffer);
        return nullptr;
    }

    jpeg_create_decompress(&cinfo);
    InstallResourceSource(&cinfo, bytes, size);
    jpeg_read_header(&cinfo, TRUE);

    // An empty colour map has no entry to map onto; refuse it, and one too
    // large for byte indices, as the library refuses such colour maps.
    if (count < 1)
        ERREXIT1(&cinfo, JERR_QUANT_FEW_COLORS, 1);
    // The library decodes to RGB (its fast colour conversion and
    // upsampling) and the rows are dithered onto the palette here, through
    // the palette's own cell table: the library's quantizer would rebuild
    // that table for every picture.
    cinfo.out_color_space = JCS_RGB;

    *width = int(cinfo.image_width);
    *height = int(cinfo.image_height);
    int stride = ((*width + 3) / 4) * 4;
    uint64_t bufferBytes = uint64_t(stride) * uint64_t(cinfo.image_height) + 10;
    if (bufferBytes > kMaxBufferBytes)
        ERREXIT(&cinfo, JERR_WIDTH_OVERFLOW);
    buffer = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, SIZE_T(bufferBytes)));
    if (buffer == nullptr)
        ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
    if (count > 256)
        ERREXIT1(&cinfo, JERR_QUANT_MANY_COLORS, 256);
    const PaletteCellMap* cellMap = palette->CellMap();
    if (cellMap == nullptr)
        ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 1);

    jpeg_start_decompress(&cinfo);
    // The RGB rows and the error row come from the library's image pool, so
    // an error part-way frees them with the decompressor.
    int stripRows = StripRows(*width, *height);
    JSAMPARRAY strip =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                   cinfo.output_width * 3, JDIMENSION(stripRows));
    SIZE_T errorCount = DitherErrorCount(*width);
    auto* errors = static_cast<int16_t*>((*cinfo.mem->alloc_large)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, errorCount * sizeof(int16_t)));
    std::memset(errors, 0, errorCount * sizeof(int16_t));
    // The library delivers the top row first; it goes to the last stored
    // row, so the buffer ends up bottom-up like a DIB.
    for (int top = 0; top < *height;) {
        int rows = *height - top < stripRows ? *height - top : stripRows;
        for (int got = 0; got < rows;) {
            JDIMENSION read = jpeg_read_scanlines(&cinfo, strip + got, JDIMENSION(rows - got));
            // Only a suspending source gives no rows, and this one never
            // suspends; should it ever, fail rather than spin.
            if (read == 0)
                ERREXIT(&cinfo, JERR_INPUT_EOF);
            got += int(read);
        }
        for (int i = 0; i < rows; ++i, ++top)
            DitherRowToPalette(*cellMap, strip[i], *width, (top & 1) != 0, errors,
                               buffer + SIZE_T(stride) * SIZE_T(*height - 1 - top));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return buffer;
}
