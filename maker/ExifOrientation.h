// The orientation an EXIF block records for its main picture (tag 0x0112
// of the first image directory): 1 upright, 2-8 mirrored and/or turned.
// Reads the block as JPEG's APP1 holds it ("Exif\0\0" then a TIFF header)
// or as PNG's eXIf and WebP's EXIF chunks do (the TIFF header alone, some
// writers keeping the "Exif\0\0" prefix). Every offset is checked against
// the block; anything missing, damaged or out of range gives 1, so a broken
// block only loses the rotation, never the photo.
#pragma once

#include <cstddef>

namespace maker {

int ExifOrientation(const unsigned char* block, size_t size);

}  // namespace maker
