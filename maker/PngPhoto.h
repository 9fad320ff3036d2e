// Reads a PNG photo with libpng into a PhotoSink: 1 to 16 bits, grey,
// palette, RGB, with alpha or a tRNS colour (both become alpha, flattened
// on black by the sink), its iCCP profile, and the orientation of its eXIf
// chunk wherever the chunk lies. Rows stream through one at a time and
// reading stops below the fitted part; an interlaced picture has to be
// gathered whole first (at 8 bits a sample), as its rows complete only in
// the last pass.
#pragma once

#include <cstddef>
#include <string>

namespace maker {

class PhotoSink;

bool ReadPngPhoto(const unsigned char* bytes, size_t size, PhotoSink* sink, std::string* why);

}  // namespace maker
