// The maker's one source of chance: SplitMix64 (Steele, Lea and Flood,
// "Fast splittable pseudorandom number generators", 2014), a 64-bit state
// advanced by a fixed odd constant and mixed by two multiply-xorshift
// rounds. Integer arithmetic only, so a seed gives the same stream on every
// machine and in WebAssembly; the palette design seeds it with the palette's
// resource id, so the same pictures always give the same palette.
#pragma once

#include <cstdint>

namespace maker {

class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed) : state(seed) {}

    uint64_t Next() {
        state += 0x9E3779B97F4A7C15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A whole number in [0, bound), every value equally likely: the draws
    // below 2^64 mod bound, which would favour the low values, are drawn
    // again. `bound` must not be 0.
    uint64_t Below(uint64_t bound) {
        uint64_t threshold = (0 - bound) % bound;
        uint64_t draw = Next();
        while (draw < threshold)
            draw = Next();
        return draw % bound;
    }

private:
    uint64_t state;
};

}  // namespace maker
