#include "maker/FitPhoto.h"

#include <cstdint>
#include <cstring>

#include "maker/JpegPhoto.h"
#include "maker/PhotoSink.h"
#include "maker/PngPhoto.h"
#include "maker/WebPPhoto.h"
#ifdef AVREL_HEIF
#include "maker/HeifPhoto.h"
#endif

namespace maker {

namespace {

// A slot larger than this on a side is a caller's mistake, not a picture.
const int kMaxSlotSide = 16384;

enum class Format { Unknown, Jpeg, Png, WebP, Heic, Avif };

bool StartsWith(const unsigned char* bytes, size_t size, size_t at, const char* text) {
    size_t n = std::strlen(text);
    return size >= at + n && std::memcmp(bytes + at, text, n) == 0;
}

// HEIF files open with an ISO box "ftyp" listing brands: the major one,
// then compatible ones. Any AV1 brand makes it AVIF; HEVC or the general
// image brands HEIC.
Format HeifFormat(const unsigned char* bytes, size_t size) {
    if (!StartsWith(bytes, size, 4, "ftyp"))
        return Format::Unknown;
    size_t box = size_t(bytes[0]) << 24 | size_t(bytes[1]) << 16 | size_t(bytes[2]) << 8 | bytes[3];
    if (box < 16 || box > size)
        return Format::Unknown;
    Format found = Format::Unknown;
    for (size_t at = 8; at + 4 <= box; at += at == 8 ? 8 : 4) {
        const unsigned char* brand = bytes + at;
        if (std::memcmp(brand, "avif", 4) == 0 || std::memcmp(brand, "avis", 4) == 0)
            return Format::Avif;
        for (const char* heic : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"})
            if (std::memcmp(brand, heic, 4) == 0)
                found = Format::Heic;
    }
    return found;
}

Format Sniff(const unsigned char* bytes, size_t size) {
    if (StartsWith(bytes, size, 0, "\xFF\xD8\xFF"))
        return Format::Jpeg;
    if (StartsWith(bytes, size, 0, "\x89PNG\r\n\x1A\n"))
        return Format::Png;
    if (StartsWith(bytes, size, 0, "RIFF") && StartsWith(bytes, size, 8, "WEBP"))
        return Format::WebP;
    return HeifFormat(bytes, size);
}

}  // namespace

bool FitPhoto(const unsigned char* bytes, size_t size, int width, int height, Fit fit,
              FittedPhoto* out, std::string* why) {
    if (width < 1 || height < 1 || width > kMaxSlotSide || height > kMaxSlotSide) {
        *why = "a slot of " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels cannot be filled";
        return false;
    }
    PhotoSink sink(width, height, fit);
    bool read = false;
    switch (bytes != nullptr ? Sniff(bytes, size) : Format::Unknown) {
        case Format::Jpeg:
            read = ReadJpegPhoto(bytes, size, &sink, why);
            break;
        case Format::Png:
            read = ReadPngPhoto(bytes, size, &sink, why);
            break;
        case Format::WebP:
            read = ReadWebPPhoto(bytes, size, &sink, why);
            break;
#ifdef AVREL_HEIF
        case Format::Heic:
            read = ReadHeifPhoto(bytes, size, "HEIC", &sink, why);
            break;
        case Format::Avif:
            read = ReadHeifPhoto(bytes, size, "AVIF", &sink, why);
            break;
#else
        case Format::Heic:
            *why = "HEIC photos need libheif, which this build lacks";
            return false;
        case Format::Avif:
            *why = "AVIF photos need libheif, which this build lacks";
            return false;
#endif
        default:
            *why = "not a picture";
            return false;
    }
    return read && sink.Finish(out, why);
}

}  // namespace maker
