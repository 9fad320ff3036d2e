#include "maker/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace maker {

namespace {

const double kSupport = 3.0;
// Pillow's 8-bit precision: weights scaled by 2^22, so that a sum of 255
// times weights that add up to one stays well inside 32 bits.
const int kPrecisionBits = 22;

double Sinc(double x) {
    if (x == 0.0)
        return 1.0;
    x *= M_PI;
    return std::sin(x) / x;
}

double Lanczos(double x) {
    return -kSupport <= x && x < kSupport ? Sinc(x) * Sinc(x / kSupport) : 0.0;
}

inline unsigned char Clip8(int32_t sum) {
    int32_t v = sum >> kPrecisionBits;
    return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

ResampleTaps LanczosTaps(int inSize, float from, float to, int outSize) {
    // The span in single precision, as Pillow subtracts it.
    double scale = double(to - from) / outSize;
    double filterScale = std::max(scale, 1.0);
    double support = kSupport * filterScale;
    ResampleTaps taps;
    taps.stride = int(std::ceil(support)) * 2 + 1;
    taps.first.resize(size_t(outSize));
    taps.count.resize(size_t(outSize));
    taps.weights.assign(size_t(outSize) * size_t(taps.stride), 0);
    std::vector<double> k(size_t(taps.stride));
    double reciprocal = 1.0 / filterScale;
    for (int i = 0; i < outSize; ++i) {
        double centre = from + (i + 0.5) * scale;
        // Truncation toward zero, then clamping: exactly Pillow's bounds.
        int lo = std::max(0, int(centre - support + 0.5));
        int hi = std::min(inSize, int(centre + support + 0.5));
        int n = std::max(0, std::min(hi - lo, taps.stride));
        double total = 0.0;
        for (int x = 0; x < n; ++x) {
            k[size_t(x)] = Lanczos((x + lo - centre + 0.5) * reciprocal);
            total += k[size_t(x)];
        }
        int32_t* w = &taps.weights[size_t(i) * size_t(taps.stride)];
        for (int x = 0; x < n; ++x) {
            double v = total != 0.0 ? k[size_t(x)] / total : k[size_t(x)];
            v *= double(1 << kPrecisionBits);
            w[x] = int32_t(v < 0 ? v - 0.5 : v + 0.5);
        }
        taps.first[size_t(i)] = lo;
        taps.count[size_t(i)] = n;
    }
    return taps;
}

Resampler::Resampler(int width, int height, const double exactBox[4], int outWidth, int outHeight)
    : outWidth(outWidth), outHeight(outHeight) {
    // Pillow takes the box in single precision; so do we, for its numbers.
    float box[4];
    for (int i = 0; i < 4; ++i)
        box[i] = float(exactBox[i]);
    // As Pillow: an axis whose box is the whole axis at its own size is
    // copied, not filtered.
    horizontal = outWidth != width || box[0] != 0.0f || box[2] != float(outWidth);
    vertical = outHeight != height || box[1] != 0.0f || box[3] != float(outHeight);
    if (horizontal) {
        across = LanczosTaps(width, box[0], box[2], outWidth);
        firstColumn = across.first.front();
        endColumn = 0;
        for (int i = 0; i < outWidth; ++i)
            endColumn = std::max(endColumn, across.first[size_t(i)] + across.count[size_t(i)]);
    } else {
        endColumn = width;
    }
    if (vertical) {
        down = LanczosTaps(height, box[1], box[3], outHeight);
        firstRow = down.first.front();
        endRow = down.first.back() + down.count.back();
        for (int i = 0; i < outHeight; ++i) {
            down.first[size_t(i)] -= firstRow;
            window = std::max(window, down.count[size_t(i)]);
        }
        rows.resize(size_t(outWidth) * 3 * size_t(window));
        sums.resize(size_t(outWidth) * 3);
    } else {
        endRow = height;
    }
    picture.width = outWidth;
    picture.height = outHeight;
    picture.pixels.resize(size_t(outWidth) * size_t(outHeight) * 3);
}

void Resampler::AddRow(int y, const unsigned char* rgb) {
    size_t rowBytes = size_t(outWidth) * 3;
    int row = y - firstRow;
    // Without a vertical pass the row is a row of the picture already.
    unsigned char* out =
        vertical ? &rows[size_t(row % window) * rowBytes] : &picture.pixels[size_t(row) * rowBytes];
    if (horizontal) {
        Across(rgb, out);
    } else {
        std::memcpy(out, rgb, rowBytes);
    }
    if (!vertical)
        return;
    // Every output row whose last source row this was: the window holds
    // all its rows, as no output row spans more than the window.
    for (int added = row + 1;
         nextRow < outHeight && down.first[size_t(nextRow)] + down.count[size_t(nextRow)] <= added;
         ++nextRow)
        Down(nextRow);
}

void Resampler::Across(const unsigned char* rgb, unsigned char* out) const {
    const int32_t half = 1 << (kPrecisionBits - 1);
    for (int i = 0; i < outWidth; ++i) {
        const unsigned char* p = rgb + size_t(across.first[size_t(i)]) * 3;
        const int32_t* w = &across.weights[size_t(i) * size_t(across.stride)];
        int32_t r = half, g = half, b = half;
        for (int k = 0, n = across.count[size_t(i)]; k < n; ++k, p += 3) {
            r += p[0] * w[k];
            g += p[1] * w[k];
            b += p[2] * w[k];
        }
        out[0] = Clip8(r);
        out[1] = Clip8(g);
        out[2] = Clip8(b);
        out += 3;
    }
}

void Resampler::Down(int j) {
    size_t rowBytes = size_t(outWidth) * 3;
    // Whole rows at a time: the inner loop runs along a row, where the
    // compiler can vectorise it.
    std::fill(sums.begin(), sums.end(), int32_t(1) << (kPrecisionBits - 1));
    const int32_t* w = &down.weights[size_t(j) * size_t(down.stride)];
    for (int k = 0, n = down.count[size_t(j)]; k < n; ++k) {
        const unsigned char* src = &rows[size_t((down.first[size_t(j)] + k) % window) * rowBytes];
        int32_t weight = w[k];
        for (size_t x = 0; x < rowBytes; ++x)
            sums[x] += src[x] * weight;
    }
    unsigned char* dst = &picture.pixels[size_t(j) * rowBytes];
    for (size_t x = 0; x < rowBytes; ++x)
        dst[x] = Clip8(sums[x]);
}

void Resampler::Finish(RgbImage* out) {
    *out = std::move(picture);
    picture = RgbImage();
}

}  // namespace maker
