// One photo, as a person's folder holds it, made into one picture of a
// slot's exact size: read from memory (JPEG, PNG, WebP; HEIC and AVIF where
// libheif is built in), turned upright, converted to sRGB, flattened on
// black where transparent, and fitted with Lanczos-3 resampling. Huge
// photos are read in bands at a reduced size where the format allows, so
// memory stays bounded; photos claiming more than 150 megapixels are
// refused from their header, before anything is decoded.
#pragma once

#include <cstddef>
#include <string>

#include "maker/RgbImage.h"

namespace maker {

struct FittedPhoto {
    RgbImage image;      // exactly width x height
    double enlargement;  // > 1 when the photo had to be enlarged to fill its slot
};

// Reads the photo in `bytes` (JPEG, PNG, WebP; HEIC/AVIF where libheif is built in), turns it
// upright, converts it to sRGB, flattens transparency on black and fits it to width x height.
// Returns false with a one-line reason a person can read ("not a picture", "damaged: ...",
// "claims 200 megapixels (more than 150)", "HEIC photos need libheif, which this build lacks")
// when the photo cannot be used.
bool FitPhoto(const unsigned char* bytes, size_t size, int width, int height, Fit fit,
              FittedPhoto* out, std::string* why);

}  // namespace maker
