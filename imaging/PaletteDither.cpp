#include "imaging/PaletteDither.h"

#include <array>

#include "imaging/PaletteCellMap.h"

namespace {

// How much of an accumulated error reaches the pixel: one to one up to 16,
// half as fast up to 48, never more than 32. Keeps a wrong guess from
// spreading streaks and lone bright pixels across flat areas. Indexed by
// error + 255.
constexpr std::array<int16_t, 511> MakeErrorLimit() {
    std::array<int16_t, 511> table{};
    for (int in = 0; in <= 255; ++in) {
        int out = in < 16 ? in : in < 48 ? 16 + (in - 16) / 2 : 32;
        table[size_t(255 + in)] = int16_t(out);
        table[size_t(255 - in)] = int16_t(-out);
    }
    return table;
}

constexpr std::array<int16_t, 511> kErrorLimit = MakeErrorLimit();

inline int Limited(int error) {
    return kErrorLimit[size_t(error + 255)];
}

inline int Clamped(int value) {
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

}  // namespace

void DitherRowToPalette(const PaletteCellMap& map, const BYTE* rgb, int width, bool rightToLeft,
                        int16_t* errors, BYTE* out) {
    const BYTE* cells = map.Cells();
    const BYTE* reds = map.Reds();
    const BYTE* greens = map.Greens();
    const BYTE* blues = map.Blues();

    // `slot` points at the error entry of the column before the current one
    // (entry 0 and entry width + 1 stand beside the picture). Entries of
    // columns already passed hold the next row's errors, the others still
    // this row's.
    int dir = 1;
    int16_t* slot = errors;
    if (rightToLeft) {
        rgb += 3 * (SIZE_T(width) - 1);
        out += width - 1;
        dir = -1;
        slot = errors + 3 * (SIZE_T(width) + 1);
    }
    const int dir3 = 3 * dir;

    // Error carried from the previous pixel (as 7/16 shares), and the next
    // row's errors under the previous and the current pixel, not yet stored.
    int cur0 = 0, cur1 = 0, cur2 = 0;
    int below0 = 0, below1 = 0, below2 = 0;
    int belowPrev0 = 0, belowPrev1 = 0, belowPrev2 = 0;
    for (int col = 0; col < width; ++col) {
        // Sixteenths to whole values, rounding half up for either sign (the
        // shift rounds towards minus infinity).
        cur0 = (cur0 + slot[dir3 + 0] + 8) >> 4;
        cur1 = (cur1 + slot[dir3 + 1] + 8) >> 4;
        cur2 = (cur2 + slot[dir3 + 2] + 8) >> 4;
        // Most errors are small and pass the limit unchanged; testing for
        // that keeps the table lookup and the clamping, both rare, out of
        // the chain from one pixel to the next.
        if ((unsigned(cur0 + 16) | unsigned(cur1 + 16) | unsigned(cur2 + 16)) > 31u) {
            cur0 = Limited(cur0);
            cur1 = Limited(cur1);
            cur2 = Limited(cur2);
        }
        cur0 += rgb[0];
        cur1 += rgb[1];
        cur2 += rgb[2];
        if (((cur0 | cur1 | cur2) & ~255) != 0) {
            cur0 = Clamped(cur0);
            cur1 = Clamped(cur1);
            cur2 = Clamped(cur2);
        }
        int index = cells[PaletteCellMap::CellOf(cur0, cur1, cur2)];
        *out = BYTE(index);
        cur0 -= reds[index];
        cur1 -= greens[index];
        cur2 -= blues[index];

        slot[0] = int16_t(belowPrev0 + cur0 * 3);
        belowPrev0 = below0 + cur0 * 5;
        below0 = cur0;
        cur0 *= 7;
        slot[1] = int16_t(belowPrev1 + cur1 * 3);
        belowPrev1 = below1 + cur1 * 5;
        below1 = cur1;
        cur1 *= 7;
        slot[2] = int16_t(belowPrev2 + cur2 * 3);
        belowPrev2 = below2 + cur2 * 5;
        below2 = cur2;
        cur2 *= 7;

        rgb += dir3;
        out += dir;
        slot += dir3;
    }
    // The last column's share for the next row; the 1/16 share meant for
    // the column beyond the picture is dropped.
    slot[0] = int16_t(belowPrev0);
    slot[1] = int16_t(belowPrev1);
    slot[2] = int16_t(belowPrev2);
}
