// Lanczos-3 resampling of 8-bit RGB, separable: rows first, as they arrive
// from a decoder, then columns. The weights, their 22-bit fixed-point form,
// the rounding and the 8-bit step between the two passes are Pillow's
// (Image.resize with LANCZOS and a box), which fitted the photos before, so
// the same photo gives the same picture. Each output row is made as soon
// as its last source row has come, so only the few resampled rows one
// output row spans are kept, never the photo.
#pragma once

#include <cstdint>
#include <vector>

#include "maker/RgbImage.h"

namespace maker {

// The taps of one axis: for output position i, `count[i]` source pixels
// from `first[i]` on, weighted by weights[i * stride ...].
struct ResampleTaps {
    int stride = 0;
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int32_t> weights;
};

// Taps resampling source positions [from, to) of an axis of `inSize`
// pixels to `outSize` pixels.
ResampleTaps LanczosTaps(int inSize, float from, float to, int outSize);

class Resampler {
public:
    // Resamples box (left, top, right, bottom) of a width x height picture
    // to outWidth x outHeight.
    Resampler(int width, int height, const double box[4], int outWidth, int outHeight);

    // The source rows and columns the result depends on; AddRow wants
    // exactly rows FirstRow() to EndRow() - 1, in order, and reads only
    // columns FirstColumn() to EndColumn() - 1 of them.
    int FirstRow() const { return firstRow; }
    int EndRow() const { return endRow; }
    int FirstColumn() const { return firstColumn; }
    int EndColumn() const { return endColumn; }

    // Source row `y`, width pixels of RGB.
    void AddRow(int y, const unsigned char* rgb);
    // The resampled picture, once every row has been added.
    void Finish(RgbImage* out);

private:
    void Across(const unsigned char* rgb, unsigned char* out) const;
    void Down(int j);

    int outWidth;
    int outHeight;
    bool horizontal;
    bool vertical;
    ResampleTaps across;
    ResampleTaps down;
    int firstRow = 0;
    int endRow = 0;
    int firstColumn = 0;
    int endColumn = 0;
    // The last `window` source rows, resampled across, in turn.
    int window = 1;
    std::vector<unsigned char> rows;
    std::vector<int32_t> sums;
    int nextRow = 0;  // the next output row to make
    RgbImage picture;
};

}  // namespace maker
