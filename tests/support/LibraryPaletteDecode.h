// A picture decoded onto a palette by libjpeg's own quantizer: the colour
// map handed to the library (quantize_colors, RGB output, Floyd-Steinberg
// dithering, everything else at the defaults), over the decoder's own
// source manager, so that only the mapping onto the palette differs. This
// is the result the decoder's own dithering must give byte for byte.
#pragma once

#include <windows.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "imaging/ResourceSource.h"
#include "imaging/ShowPalette.h"

struct LibraryPicture {
    bool decoded = false;
    int width = 0;
    int height = 0;
    std::vector<BYTE> rows;  // top-down, `width` indices each
};

namespace library_palette_decode {

struct ErrorRecord {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

inline void Silent(j_common_ptr) {}

[[noreturn]] inline void Bail(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<ErrorRecord*>(cinfo->err)->jump, 1);
}

// The decoder refuses pictures whose buffer would pass 1 GiB; so does this.
const uint64_t kMaxPixels = 0x40000000;

}  // namespace library_palette_decode

// The rows are gathered in the library's own memory, so that nothing the
// jump back skips over owns memory; they are copied out once all is done.
inline LibraryPicture LibraryPaletteDecode(const BYTE* bytes, size_t size, ShowPalette* palette) {
    using namespace library_palette_decode;
    LibraryPicture picture;
    if (bytes == nullptr)
        return picture;
    jpeg_decompress_struct cinfo;
    ErrorRecord error;
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = Bail;
    error.manager.output_message = Silent;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return LibraryPicture();
    }
    jpeg_create_decompress(&cinfo);
    InstallResourceSource(&cinfo, bytes, DWORD(size));
    jpeg_read_header(&cinfo, TRUE);
    int count = palette->Count();
    if (count < 1 || uint64_t(cinfo.image_width) * cinfo.image_height > kMaxPixels)
        Bail(reinterpret_cast<j_common_ptr>(&cinfo));
    cinfo.quantize_colors = TRUE;
    cinfo.actual_number_of_colors = count;
    cinfo.colormap = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                JDIMENSION(count), 3);
    for (int i = 0; i < count; ++i) {
        cinfo.colormap[0][i] = palette->Red(i);
        cinfo.colormap[1][i] = palette->Green(i);
        cinfo.colormap[2][i] = palette->Blue(i);
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    // The permanent pool outlives jpeg_finish_decompress, which frees the
    // image pool.
    JSAMPARRAY rows =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_PERMANENT,
                                   cinfo.output_width, cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline, 1);
    jpeg_finish_decompress(&cinfo);
    picture.decoded = true;
    picture.width = int(cinfo.output_width);
    picture.height = int(cinfo.output_height);
    picture.rows.resize(size_t(picture.width) * size_t(picture.height));
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(picture.rows.data() + size_t(y) * size_t(picture.width), rows[y],
                    size_t(picture.width));
    jpeg_destroy_decompress(&cinfo);
    return picture;
}
