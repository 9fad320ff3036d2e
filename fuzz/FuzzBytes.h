// Reads a fuzz input as a stream of small decisions: numbers taken from the
// front, zero once the bytes run out, so every input is a valid program.
#pragma once

#include <cstddef>
#include <cstdint>

class FuzzBytes {
public:
    FuzzBytes(const uint8_t* data, size_t size) : data(data), size(size) {}

    // A number in [low, high], from as many bytes as the range needs.
    int Range(int low, int high) {
        uint32_t span = uint32_t(high - low);
        uint32_t value = 0;
        for (uint32_t seen = 0; seen < span && size > 0; seen = seen << 8 | 0xFF) {
            value = value << 8 | *data++;
            --size;
        }
        return low + int(span == UINT32_MAX ? value : value % (span + 1));
    }
    const uint8_t* Rest() { return data; }
    size_t RestSize() { return size; }

private:
    const uint8_t* data;
    size_t size;
};
