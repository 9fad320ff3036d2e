#include "IndexShadow.h"

#include <algorithm>
#include <cstring>

#include "GdiObjects.h"
#include "RowConversion.h"

namespace standin {

void IndexShadow::Begin(const Surface& screen, const uint32_t* table) {
    if (screen.width != width || screen.height != height) {
        width = screen.width;
        height = screen.height;
        indices.assign(size_t(width) * size_t(height), 0);
        spans.assign(size_t(height), Span{});
    }
    if (std::memcmp(colours, table, sizeof colours) != 0) {
        std::memcpy(colours, table, sizeof colours);
        Forget(0, height);
    }
}

void IndexShadow::Forget(int top, int bottom) {
    top = std::max(top, 0);
    bottom = std::min(bottom, int(spans.size()));
    for (int y = top; y < bottom; ++y)
        spans[size_t(y)] = Span{};
}

// Columns not known yet: compared with the screen itself, and learnt.
bool IndexShadow::Fresh(uint32_t* out, BYTE* known, const BYTE* in, int count) const {
    std::memcpy(known, in, size_t(count));
    return ConvertChangedRow(in, out, count, colours);
}

// Known columns: sixteen indices at a time, and only where they differ
// are the pixels stored.
bool IndexShadow::Compare(uint32_t* out, BYTE* known, const BYTE* in, int count) const {
    bool changed = false;
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        uint64_t now[2], was[2];
        std::memcpy(now, in + x, sizeof now);
        std::memcpy(was, known + x, sizeof was);
        if (((now[0] ^ was[0]) | (now[1] ^ was[1])) == 0)
            continue;
        std::memcpy(known + x, now, sizeof now);
        ConvertRow(in + x, out + x, 16, colours);
        changed = true;
    }
    for (; x < count; ++x) {
        if (in[x] == known[x])
            continue;
        known[x] = in[x];
        out[x] = colours[in[x]];
        changed = true;
    }
    return changed;
}

bool IndexShadow::StoreRow(Surface& screen, int x, int y, const BYTE* in, int count) {
    uint32_t* out = screen.Row(y);
    BYTE* known = &indices[size_t(y) * size_t(width)];
    Span& span = spans[size_t(y)];
    const int end = x + count;
    const bool any = span.from < span.to;
    // Up to three parts: left of what is known, inside it, right of it.
    const int from = any ? span.from : end, to = any ? span.to : end;
    bool changed = false;
    auto part = [&](int a, int b, bool compare) {
        if (a >= b)
            return;
        const BYTE* source = in + (a - x);
        changed |= compare ? Compare(out + a, known + a, source, b - a)
                           : Fresh(out + a, known + a, source, b - a);
    };
    part(x, std::min(end, from), false);
    part(std::max(x, from), std::min(end, to), true);
    part(std::max(x, to), end, false);
    if (any && x <= span.to && span.from <= end)
        span = Span{std::min(x, span.from), std::max(end, span.to)};
    else
        span = Span{x, end};
    return changed;
}

}  // namespace standin
