// Reads a JPEG photo with libjpeg into a PhotoSink: its EXIF orientation
// (the first APP1 "Exif" segment), its ICC profile (APP2, through
// jpeg_read_icc_profile), grey, colour and CMYK/YCCK pictures, decoded at
// the reduced scale the sink allows (libjpeg's 1/2, 1/4, 1/8 DCT scaling,
// far faster than decoding the whole size). Rows above the fitted part are
// skipped and decoding stops below it. A file cut short is refused as
// damaged, not shown half grey; libjpeg's warnings about stray bytes,
// which cameras leave, are not.
#pragma once

#include <cstddef>
#include <string>

namespace maker {

class PhotoSink;

bool ReadJpegPhoto(const unsigned char* bytes, size_t size, PhotoSink* sink, std::string* why);

}  // namespace maker
