// 8-bit rows into the stand-in's 32-bit pixels, one colour-table look-up a
// pixel. Every frame of the show reaches the screen through these.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace standin {

// Four pixels to one 16-byte store: storing pixel by pixel is several
// times slower, as each look-up then waits on the stores before it. The
// restrict qualifiers tell the compiler that the stores cannot change the
// table.
inline void ConvertFour(const BYTE* __restrict in, const uint32_t* __restrict colours,
                        uint32_t (&four)[4]) {
    four[0] = colours[in[0]];
    four[1] = colours[in[1]];
    four[2] = colours[in[2]];
    four[3] = colours[in[3]];
}

inline void ConvertRow(const BYTE* __restrict in, uint32_t* __restrict out, int count,
                       const uint32_t* __restrict colours) {
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        uint32_t four[4];
        ConvertFour(in + x, colours, four);
        std::memcpy(out + x, four, sizeof four);
    }
    for (; x < count; ++x)
        out[x] = colours[in[x]];
}

// ConvertRow over what `out` holds; true when that changed any pixel.
inline bool ConvertChangedRow(const BYTE* __restrict in, uint32_t* __restrict out, int count,
                              const uint32_t* __restrict colours) {
    uint32_t differences = 0;
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        uint32_t four[4], was[4];
        ConvertFour(in + x, colours, four);
        std::memcpy(was, out + x, sizeof was);
        differences |=
            (was[0] ^ four[0]) | (was[1] ^ four[1]) | (was[2] ^ four[2]) | (was[3] ^ four[3]);
        std::memcpy(out + x, four, sizeof four);
    }
    for (; x < count; ++x) {
        const uint32_t pixel = colours[in[x]];
        differences |= out[x] ^ pixel;
        out[x] = pixel;
    }
    return differences != 0;
}

}  // namespace standin
