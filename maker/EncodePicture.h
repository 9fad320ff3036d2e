// A picture encoded in the form every picture of the show takes: one JFIF
// 1.01 file of a single baseline scan (SOF0, 8-bit samples, Huffman tables
// optimised for the picture), no restart interval and no other marker,
// quality 90; colour pictures as Y, Cb and Cr with the chroma sampled 2 x 2
// (4:2:0), grey ones as a single component (the luma of the pixels given).
// libjpeg's integer DCT, so the bytes are the same on every machine.
#pragma once

#include <string>
#include <vector>

#include "maker/RgbImage.h"

namespace maker {

bool EncodePicture(const RgbImage& image, bool grey, std::vector<unsigned char>* jpeg,
                   std::string* why);

}  // namespace maker
