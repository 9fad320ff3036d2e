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

// One row in one direction; the direction is a constant, which keeps the
// registers free for the running terms.
template <int kDir>
void DitherRow(const PaletteCellMap& map, const BYTE* rgb, int width, int16_t* errors, BYTE* out) {
    const BYTE* cells = map.Cells();
    const int16_t* sevenfold = map.SevenfoldColours();
    const BYTE* reds = map.Reds();
    const BYTE* greens = map.Greens();
    const BYTE* blues = map.Blues();

    // `slot` points at the error entry of the column before the current one
    // (entry 0 and entry width + 1 stand beside the picture). Entries of
    // columns already passed hold the next row's errors, the others still
    // this row's.
    int16_t* slot = errors;
    if (kDir < 0) {
        rgb += 3 * (SIZE_T(width) - 1);
        out += width - 1;
        slot = errors + 3 * (SIZE_T(width) + 1);
    }
    const BYTE* end = out + kDir * width;

    // Error carried from the previous pixel (as 7/16 shares), and the next
    // row's errors under the previous and the current pixel, not yet stored.
    int cur0 = 0, cur1 = 0, cur2 = 0;
    int below0 = 0, below1 = 0, below2 = 0;
    int belowPrev0 = 0, belowPrev1 = 0, belowPrev2 = 0;
    for (; out != end; out += kDir) {
        // Sixteenths to whole values, rounding half up for either sign (the
        // shift rounds towards minus infinity).
        cur0 = (cur0 + slot[3 * kDir + 0] + 8) >> 4;
        cur1 = (cur1 + slot[3 * kDir + 1] + 8) >> 4;
        cur2 = (cur2 + slot[3 * kDir + 2] + 8) >> 4;
        // Most errors are small and pass the limit unchanged; testing for
        // that keeps the table lookup and the clamping, both rare, out of
        // the chain from one pixel to the next.
        if ((unsigned(cur0 + 16) | unsigned(cur1 + 16) | unsigned(cur2 + 16)) > 31u) {
            cur0 = Limited(cur0);
            cur1 = Limited(cur1);
            cur2 = Limited(cur2);
        }
        int value0 = cur0 + rgb[0];
        int value1 = cur1 + rgb[1];
        int value2 = cur2 + rgb[2];
        if (((value0 | value1 | value2) & ~255) != 0) {
            value0 = Clamped(value0);
            value1 = Clamped(value1);
            value2 = Clamped(value2);
        }
        int index = cells[PaletteCellMap::CellOf(value0, value1, value2)];
        *out = BYTE(index);
        // The 7/16 share for the next pixel straight from seven times the
        // entry's colour: one subtraction after the lookup, not three
        // operations.
        cur0 = 7 * value0 - sevenfold[4 * index + 0];
        cur1 = 7 * value1 - sevenfold[4 * index + 1];
        cur2 = 7 * value2 - sevenfold[4 * index + 2];
        int miss0 = value0 - reds[index];
        int miss1 = value1 - greens[index];
        int miss2 = value2 - blues[index];

        slot[0] = int16_t(belowPrev0 + miss0 * 3);
        belowPrev0 = below0 + miss0 * 5;
        below0 = miss0;
        slot[1] = int16_t(belowPrev1 + miss1 * 3);
        belowPrev1 = below1 + miss1 * 5;
        below1 = miss1;
        slot[2] = int16_t(belowPrev2 + miss2 * 3);
        belowPrev2 = below2 + miss2 * 5;
        below2 = miss2;

        rgb += 3 * kDir;
        slot += 3 * kDir;
    }
    // The last column's share for the next row; the 1/16 share meant for
    // the column beyond the picture is dropped.
    slot[0] = int16_t(belowPrev0);
    slot[1] = int16_t(belowPrev1);
    slot[2] = int16_t(belowPrev2);
}

}  // namespace

void DitherRowToPalette(const PaletteCellMap& map, const BYTE* rgb, int width, bool rightToLeft,
                        int16_t* errors, BYTE* out) {
    if (rightToLeft)
        DitherRow<-1>(map, rgb, width, errors, out);
    else
        DitherRow<1>(map, rgb, width, errors, out);
}
