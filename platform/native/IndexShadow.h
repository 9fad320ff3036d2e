// What the 8-bit transfers last stored on a window: their indices, and the
// one colour table they went through.
//
// A frame of the show mostly repeats what the screen shows. Comparing its
// indices with these reads one byte a pixel where comparing with the screen
// reads four, and the parts of the screen that stay the same are not
// touched at all. That matters because the screen may be memory the X
// server reads from another core, so every read of it misses the cache.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace standin {

struct Surface;

class IndexShadow {
public:
    // Readies the shadow for a transfer onto `screen` through `colours`
    // (256 entries). A table other than the last one, or a screen of
    // another size, makes it forget everything.
    void Begin(const Surface& screen, const uint32_t* colours);
    // Stores `count` pixels of `in` through the colours given to Begin on
    // row `y` of `screen` from column `x` (all inside the screen), writing
    // only where the indices differ from those known; true when any did.
    bool StoreRow(Surface& screen, int x, int y, const BYTE* in, int count);
    // Rows [top, bottom) were drawn on in some other way.
    void Forget(int top, int bottom);

private:
    // The columns [from, to) of a row whose indices are known.
    struct Span {
        int from = 0;
        int to = 0;
    };
    bool Fresh(uint32_t* out, BYTE* known, const BYTE* in, int count) const;
    bool Compare(uint32_t* out, BYTE* known, const BYTE* in, int count) const;

    int width = 0;
    int height = 0;
    std::vector<BYTE> indices;
    std::vector<Span> spans;
    uint32_t colours[256] = {};
};

}  // namespace standin
