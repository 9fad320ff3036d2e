// The dithered cross-fade of one rectangle. Step k rewrites the pixels
// whose ((c div 2) + r + k) is even: cells of two horizontal pixels in a
// checkerboard anchored at the rectangle's top-left corner. Blend steps
// look each cell up by its precomputed keys in level k div 2; the last two
// steps copy the new picture as it is at that moment.
//
// When the frame cannot be made the fade draws nothing; without keys or
// level tables its blend steps leave the frame as it was, and the last two
// steps still bring in the new picture.
#include "effects/CrossFade.h"

#include <cstring>

#include "imaging/DeviceBitmap.h"
#include "imaging/BlendTable.h"
#include "imaging/IndexedImage.h"
#include "effects/Pacing.h"

namespace {

bool Inside(IndexedImage* image, int x, int y, int width, int height) {
    return image != nullptr && image->Pixels() != nullptr && x >= 0 && y >= 0 &&
           x <= image->Width() - width && y <= image->Height() - height;
}

// The two pixels of a cell as the 16-bit value that stores them in order.
// Joining them in a register avoids the partial-register merges a byte pair
// costs.
inline WORD Cell(unsigned left, unsigned right) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return WORD(left << 8 | right);
#else
    return WORD(left | right << 8);
#endif
}

// Step k's blend: every cell of the step takes the level table's entries at
// its two keys, looked up into separate registers and joined into one 16-bit
// store. All in locals, so the stores cannot make the compiler reload the
// fade's fields; the cells of a row lie four pixels apart.
void BlendCells(const BYTE* table, const WORD* keyRow, BYTE* row, int width, int height, int stride,
                int k) {
    for (int r = height - 1; r >= 0; --r) {
        const int first = ((r + k) & 1) * 2;
        BYTE* out = row + first;
        const WORD* key = keyRow + first;
        for (int cells = (width - first + 3) / 4; cells > 0; --cells, out += 4, key += 4) {
            const WORD cell = Cell(table[key[0]], table[key[1]]);
            std::memcpy(out, &cell, 2);
        }
        row += stride;
        keyRow += stride;
    }
}

}  // namespace

CrossFade::CrossFade(IndexedImage* destination, int destX, int destY, int width, int height,
                     IndexedImage* source, int sourceX, int sourceY, BlendTable* blend)
    : destination(destination),
      destX(destX),
      destY(destY),
      width(width),
      height(height),
      source(source),
      sourceX(sourceX),
      sourceY(sourceY),
      blend(blend),
      keys(nullptr),
      frame(nullptr),
      stepCount(2 * (blend != nullptr ? blend->LevelCount() : 0) + 2) {
    if (destination == nullptr)
        return;
    frame = destination->Crop(destX, destY, width, height);
    if (frame == nullptr || !Inside(source, sourceX, sourceY, width, height))
        return;

    const int stride = frame->Stride();
    keys = static_cast<WORD*>(GlobalAlloc(GMEM_FIXED, SIZE_T(stride) * SIZE_T(height) * 2));
    if (keys == nullptr)
        return;
    // Rows bottom first, like the frame: the new index high, the old low.
    const BYTE* newRow = source->PixelAddress(sourceX, sourceY + height);
    const BYTE* oldRow = destination->PixelAddress(destX, destY + height);
    WORD* keyRow = keys;
    for (int row = 0; row < height; ++row) {
        for (int c = 0; c < width; ++c)
            keyRow[c] = WORD(newRow[c] << 8 | oldRow[c]);
        // The padding is never shown, but a cell straddling it reads its key.
        for (int c = width; c < stride; ++c)
            keyRow[c] = 0;
        newRow += source->Stride();
        oldRow += destination->Stride();
        keyRow += stride;
    }
}

CrossFade::~CrossFade() {
    if (keys != nullptr)
        GlobalFree(keys);
    delete frame;
}

int CrossFade::Width() {
    return width;
}
int CrossFade::Height() {
    return height;
}
int CrossFade::StepCount() {
    return stepCount;
}

IndexedImage* CrossFade::RenderStep(int k) {
    if (frame == nullptr)
        return nullptr;
    const int stride = frame->Stride();
    BYTE* row = frame->Pixels();  // the bottom row, r = height - 1
    if (k >= stepCount - 2) {
        if (!Inside(source, sourceX, sourceY, width, height))
            return frame;
        // An odd width's last cell takes one byte past the rectangle, which
        // is the source's padding, its next column or its spare bytes.
        const BYTE* from = source->PixelAddress(sourceX, sourceY + height);
        const int sourceStride = source->Stride();
        for (int r = height - 1; r >= 0; --r) {
            for (int c = ((r + k) & 1) * 2; c < width; c += 4)
                std::memcpy(row + c, from + c, 2);
            row += stride;
            from += sourceStride;
        }
        return frame;
    }
    const BYTE* table = blend->Level(k / 2);
    if (table == nullptr || keys == nullptr)
        return frame;
    BlendCells(table, keys, row, width, height, stride, k);
    return frame;
}

void CrossFade::Run(HDC dc, int x, int y, int period) {
    DWORD deadline = 0;
    for (int k = 0; k < stepCount; ++k) {
        IndexedImage* image = RenderStep(k);
        DeviceBitmap* bitmap = image != nullptr ? image->ToDeviceBitmap(dc) : nullptr;
        WaitForDeadline(deadline);
        SetDeadline(deadline, DWORD(period));
        if (bitmap != nullptr) {
            bitmap->Draw(dc, x, y);
            delete bitmap;
        }
    }
}
