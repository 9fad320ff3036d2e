#include "maker/PngPhoto.h"

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

#include <png.h>

#include "maker/ExifOrientation.h"
#include "maker/PhotoSink.h"

namespace maker {

namespace {

// The most an ancillary chunk (a compressed profile, text) may unpack to.
const png_alloc_size_t kMaxChunkBytes = 16 << 20;

// Everything a read owns, made before libpng can jump back to the start.
struct Reader {
    const unsigned char* bytes;
    size_t size;
    size_t at = 0;
    std::string message;
    PhotoHeader header;
    std::vector<unsigned char> pixels;
    std::vector<png_bytep> rows;
};

void Read(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->at)
        png_error(png, "the file ends early");
    std::memcpy(out, reader->bytes + reader->at, length);
    reader->at += length;
}

void Error(png_structp png, png_const_charp message) {
    static_cast<Reader*>(png_get_error_ptr(png))->message = message;
    png_longjmp(png, 1);
}

void Warning(png_structp, png_const_charp) {}

uint32_t BigEndian32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The orientation in the eXIf chunk, which may come after the picture
// data: found by walking the chunk headers, nothing decompressed.
int Orientation(const unsigned char* bytes, size_t size) {
    size_t at = 8;
    while (size - at >= 12) {
        size_t length = BigEndian32(bytes + at);
        if (length > size - at - 12)
            break;
        const unsigned char* type = bytes + at + 4;
        if (std::memcmp(type, "eXIf", 4) == 0)
            return ExifOrientation(type + 4, length);
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        at += 12 + length;
    }
    return 1;
}

Samples SamplesOf(int channels) {
    switch (channels) {
        case 1:
            return Samples::Grey;
        case 2:
            return Samples::GreyAlpha;
        case 3:
            return Samples::Rgb;
        default:
            return Samples::Rgba;
    }
}

}  // namespace

bool ReadPngPhoto(const unsigned char* bytes, size_t size, PhotoSink* sink, std::string* why) {
    Reader reader;
    reader.bytes = bytes;
    reader.size = size;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, Error, Warning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *why = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        *why = "damaged: " + reader.message;
        return false;
    }
    png_set_read_fn(png, &reader, Read);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);

    PhotoHeader& header = reader.header;
    header.width = int(png_get_image_width(png, info));
    header.height = int(png_get_image_height(png, info));
    header.orientation = Orientation(bytes, size);
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) != 0)
        header.iccProfile.assign(profile, profile + profileSize);

    int type = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    if (depth == 16)
        png_set_scale_16(png);
    if (type == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0)
        png_set_tRNS_to_alpha(png);
    bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    if (interlaced)
        png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header.samples = SamplesOf(png_get_channels(png, info));
    if (!sink->Accept(header, why)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    sink->Start(header.width, header.height);

    size_t rowBytes = png_get_rowbytes(png, info);
    if (interlaced) {
        reader.pixels.resize(rowBytes * size_t(header.height));
        reader.rows.resize(size_t(header.height));
        for (int y = 0; y < header.height; ++y)
            reader.rows[size_t(y)] = &reader.pixels[rowBytes * size_t(y)];
        png_read_image(png, reader.rows.data());
        sink->Rows(0, reader.pixels.data(), rowBytes, header.height);
    } else {
        reader.pixels.resize(rowBytes);
        for (int y = 0, end = sink->EndRow(); y < end; ++y) {
            png_read_row(png, reader.pixels.data(), nullptr);
            sink->Rows(y, reader.pixels.data(), rowBytes, 1);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace maker
