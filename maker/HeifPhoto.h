// Reads a HEIC or AVIF photo (a phone's) with libheif into a PhotoSink:
// the primary image, turned by the container's own rotation and mirroring
// (libheif applies them; the EXIF orientation tag, which repeats or
// contradicts them, is ignored), high bit depths brought to 8 bits, alpha
// flattened by the sink, and its colours from the ICC profile it carries
// or the primaries of its nclx description. libheif decodes the whole
// picture before the sink sees a row.
#pragma once

#include <cstddef>
#include <string>

namespace maker {

class PhotoSink;

// `kind` names the format in messages ("HEIC", "AVIF").
bool ReadHeifPhoto(const unsigned char* bytes, size_t size, const char* kind, PhotoSink* sink,
                   std::string* why);

}  // namespace maker
