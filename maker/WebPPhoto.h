// Reads a WebP photo with libwebp into a PhotoSink: lossy or lossless, with
// or without alpha, its ICCP profile and EXIF orientation (through the
// demuxer), the first frame of an animation. A still picture is decoded at
// the reduced size the sink allows by libwebp's own scaler, so a huge one
// never needs its whole size in memory; the decoded picture then goes to
// the sink in bands.
#pragma once

#include <cstddef>
#include <string>

namespace maker {

class PhotoSink;

bool ReadWebPPhoto(const unsigned char* bytes, size_t size, PhotoSink* sink, std::string* why);

}  // namespace maker
