#include "maker/DecodePicture.h"

#include <windows.h>

#include "imaging/ResourceSource.h"
#include "maker/JpegError.h"

#include <jerror.h>

namespace maker {

namespace {

// Resources are far smaller; this keeps a damaged header from asking for
// gigabytes.
const size_t kMaxPixels = size_t(1) << 26;

}  // namespace

bool DecodePicture(const unsigned char* jpeg, size_t size, PictureFacts* facts, RgbImage* pixels,
                   std::string* why) {
    if (size > 0xFFFFFFFFu) {
        *why = "too large for a picture resource";
        return false;
    }
    jpeg_decompress_struct cinfo;
    JpegError error;
    cinfo.err = UseJpegError(&error);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        *why = std::string("not a picture: ") + error.message;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    InstallResourceSource(&cinfo, jpeg, DWORD(size));
    jpeg_read_header(&cinfo, TRUE);
    facts->width = int(cinfo.image_width);
    facts->height = int(cinfo.image_height);
    facts->grey = cinfo.num_components == 1;
    if (pixels == nullptr) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    if (size_t(facts->width) * size_t(facts->height) > kMaxPixels) {
        jpeg_destroy_decompress(&cinfo);
        *why = "a picture resource of " + std::to_string(facts->width) + " x " +
               std::to_string(facts->height) + " is too large";
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    pixels->width = facts->width;
    pixels->height = facts->height;
    pixels->pixels.resize(size_t(facts->width) * size_t(facts->height) * 3);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &pixels->pixels[size_t(cinfo.output_scanline) * size_t(facts->width) * 3];
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            ERREXIT(&cinfo, JERR_INPUT_EOF);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace maker
