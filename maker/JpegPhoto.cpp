#include "maker/JpegPhoto.h"

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "maker/ExifOrientation.h"
#include "maker/PhotoSink.h"

namespace maker {

namespace {

// What libjpeg may hold while it decodes: a progressive photo keeps every
// coefficient in memory (up to 6 bytes a pixel), and this library has no
// backing store, so a larger need is refused rather than met.
const long kMaxDecoderMemory = 512L << 20;
// Rows decoded at a time.
const int kBandRows = 16;

struct ErrorRecord {
    jpeg_error_mgr manager;
    jmp_buf jump;
    bool cutShort = false;
};

void Silent(j_common_ptr) {}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<ErrorRecord*>(cinfo->err)->jump, 1);
}

// A file that ends early decodes on as grey; note it, and refuse it after.
void Warning(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<ErrorRecord*>(cinfo->err)->cutShort = true;
}

std::string Reason(j_common_ptr cinfo) {
    if (cinfo->err->msg_code == JERR_NO_BACKING_STORE)
        return "too large to decode in " + std::to_string(kMaxDecoderMemory >> 20) + " MB";
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    return std::string("damaged: ") + text;
}

int Orientation(j_decompress_ptr cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
            std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return ExifOrientation(m->data, m->data_length);
    return 1;
}

}  // namespace

namespace {

// The library's message as the reason, and its memory freed. Out of line:
// no string may be built in the frame that called setjmp.
[[gnu::noinline]] bool Refuse(jpeg_decompress_struct* cinfo, std::string* why) {
    *why = Reason(reinterpret_cast<j_common_ptr>(cinfo));
    jpeg_destroy_decompress(cinfo);
    return false;
}

// Everything that may end in a longjmp, in a frame of its own, so that no
// object of the frame that called setjmp is live across it.
bool Decode(jpeg_decompress_struct* cinfo, ErrorRecord* error, const unsigned char* bytes,
            size_t size, PhotoHeader* header, PhotoSink* sink, std::string* why) {
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(cinfo, bytes, static_cast<unsigned long>(size));
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);

    header->width = int(cinfo->image_width);
    header->height = int(cinfo->image_height);
    header->orientation = Orientation(cinfo);
    JOCTET* profile = nullptr;
    unsigned int profileSize = 0;
    if (jpeg_read_icc_profile(cinfo, &profile, &profileSize)) {
        header->iccProfile.assign(profile, profile + profileSize);
        std::free(profile);
    }
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE:
            header->samples = Samples::Grey;
            cinfo->out_color_space = JCS_GRAYSCALE;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            header->samples = Samples::InvertedCmyk;
            cinfo->out_color_space = JCS_CMYK;
            break;
        default:
            header->samples = Samples::Rgb;
            cinfo->out_color_space = JCS_RGB;
            break;
    }
    if (!sink->Accept(*header, why)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    cinfo->scale_num = 1;
    cinfo->scale_denom = unsigned(sink->Reduction());
    jpeg_start_decompress(cinfo);
    sink->Start(int(cinfo->output_width), int(cinfo->output_height));

    int end = sink->EndRow();
    if (sink->FirstRow() > 0)
        jpeg_skip_scanlines(cinfo, JDIMENSION(sink->FirstRow()));
    JSAMPARRAY band = (*cinfo->mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
        cinfo->output_width * JDIMENSION(cinfo->output_components), kBandRows);
    while (int(cinfo->output_scanline) < end && !error->cutShort) {
        int top = int(cinfo->output_scanline);
        int got = 0;
        for (int want = std::min(kBandRows, end - top); got < want;) {
            JDIMENSION read = jpeg_read_scanlines(cinfo, band + got, JDIMENSION(want - got));
            // Only a suspending source reads nothing, and memory never suspends.
            if (read == 0)
                ERREXIT(cinfo, JERR_INPUT_EOF);
            got += int(read);
        }
        for (int r = 0; r < got; ++r)
            sink->Rows(top + r, band[r], 0, 1);
    }
    bool cutShort = error->cutShort;
    jpeg_destroy_decompress(cinfo);
    if (cutShort) {
        *why = "damaged: the file ends early";
        return false;
    }
    return true;
}

}  // namespace

bool ReadJpegPhoto(const unsigned char* bytes, size_t size, PhotoSink* sink, std::string* why) {
    jpeg_decompress_struct cinfo;
    ErrorRecord error;
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = ErrorExit;
    error.manager.output_message = Silent;
    error.manager.emit_message = Warning;
    // Owned here, so that a longjmp out of Decode still frees it; held
    // through a pointer that setjmp's frame never changes.
    auto header = std::make_unique<PhotoHeader>();
    if (setjmp(error.jump))
        return Refuse(&cinfo, why);
    return Decode(&cinfo, &error, bytes, size, header.get(), sink, why);
}

}  // namespace maker
