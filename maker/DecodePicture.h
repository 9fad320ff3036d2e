// A picture of the base program (a JPEG resource) read back: its size and
// kind, and on request its pixels as 8-bit RGB (grey pictures expanded), as
// libjpeg decodes them by default. Used for the pictures the maker keeps,
// whose colours the new palette must serve too, and for the size of every
// slot. Never prints; a damaged picture gives false and the library's
// message.
#pragma once

#include <cstddef>
#include <string>

#include "maker/RgbImage.h"

namespace maker {

struct PictureFacts {
    int width = 0;
    int height = 0;
    bool grey = false;  // one component
};

// `pixels` may be null when only the facts are wanted.
bool DecodePicture(const unsigned char* jpeg, size_t size, PictureFacts* facts, RgbImage* pixels,
                   std::string* why);

}  // namespace maker
