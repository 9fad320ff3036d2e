#include "maker/EncodePicture.h"

#include "maker/JpegError.h"

namespace maker {

namespace {

const int kQuality = 90;

// A destination manager that appends to a vector, a block at a time.
struct VectorDestination {
    jpeg_destination_mgr manager;
    std::vector<unsigned char>* bytes;
};

const size_t kBlock = 65536;

void InitDestination(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    d->bytes->resize(kBlock);
    d->manager.next_output_byte = d->bytes->data();
    d->manager.free_in_buffer = kBlock;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    size_t used = d->bytes->size();
    d->bytes->resize(used + kBlock);
    d->manager.next_output_byte = d->bytes->data() + used;
    d->manager.free_in_buffer = kBlock;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    d->bytes->resize(d->bytes->size() - d->manager.free_in_buffer);
}

}  // namespace

bool EncodePicture(const RgbImage& image, bool grey, std::vector<unsigned char>* jpeg,
                   std::string* why) {
    if (image.width <= 0 || image.height <= 0 || image.width > 65500 || image.height > 65500 ||
        image.pixels.size() != size_t(image.width) * size_t(image.height) * 3) {
        *why = "a picture of " + std::to_string(image.width) + " x " +
               std::to_string(image.height) + " cannot be encoded";
        return false;
    }
    jpeg_compress_struct cinfo;
    JpegError error;
    cinfo.err = UseJpegError(&error);
    VectorDestination destination;
    destination.manager.init_destination = InitDestination;
    destination.manager.empty_output_buffer = EmptyOutputBuffer;
    destination.manager.term_destination = TermDestination;
    destination.bytes = jpeg;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        jpeg->clear();
        *why = std::string("the JPEG encoder failed: ") + error.message;
        return false;
    }
    jpeg_create_compress(&cinfo);
    cinfo.dest = &destination.manager;
    cinfo.image_width = JDIMENSION(image.width);
    cinfo.image_height = JDIMENSION(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (grey)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    // The defaults already write a JFIF 1.01 header and sample colour 4:2:0;
    // they are said here because the show relies on them.
    cinfo.write_JFIF_header = TRUE;
    cinfo.JFIF_major_version = 1;
    cinfo.JFIF_minor_version = 1;
    if (!grey) {
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 2;
        for (int c = 1; c < 3; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.restart_interval = 0;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = TRUE;
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            &image.pixels[size_t(cinfo.next_scanline) * size_t(image.width) * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace maker
