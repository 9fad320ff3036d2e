// Writing RGB screenshots as PNG files through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An RGB picture, rows top first, 3 bytes a pixel.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// False, with errno or a message on stderr, when the file cannot be written.
bool WritePng(const std::string& path, const RgbPicture& picture);
