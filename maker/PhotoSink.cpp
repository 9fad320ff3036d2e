#include "maker/PhotoSink.h"

#include <algorithm>

#include "maker/TurnUpright.h"

namespace maker {

PhotoSink::PhotoSink(int slotWidth, int slotHeight, Fit fit)
    : slotWidth(slotWidth), slotHeight(slotHeight), fit(fit) {}

bool PhotoSink::Accept(const PhotoHeader& photo, std::string* why) {
    int64_t pixels = int64_t(photo.width) * photo.height;
    if (photo.width < 1 || photo.height < 1) {
        *why = "damaged: it claims a picture of no pixels";
        return false;
    }
    if (pixels > kPhotoPixelLimit) {
        *why = "claims " + std::to_string((pixels + 999999) / 1000000) + " megapixels (more than " +
               std::to_string(kPhotoPixelLimit / 1000000) + ")";
        return false;
    }
    header = photo;
    if (header.orientation < 1 || header.orientation > 8)
        header.orientation = 1;
    enlargement =
        PlanFit(header.width, header.height, header.orientation, slotWidth, slotHeight, fit).scale;
    reduction =
        ReductionFor(header.width, header.height, header.orientation, slotWidth, slotHeight, fit);
    colour = std::make_unique<ColourProfile>(header.samples, header.iccProfile);
    // The transform holds what the profile says; its bytes can go.
    header.iccProfile.clear();
    header.iccProfile.shrink_to_fit();
    return true;
}

void PhotoSink::Start(int width, int height) {
    geometry = PlanFit(width, height, header.orientation, slotWidth, slotHeight, fit);
    resampler = std::make_unique<Resampler>(width, height, geometry.box, geometry.outWidth,
                                            geometry.outHeight);
    rgb.assign(size_t(width) * 3, 0);
    nextRow = resampler->FirstRow();
}

void PhotoSink::Rows(int top, const unsigned char* rows, size_t stride, int count) {
    int first = resampler->FirstColumn();
    int pixels = resampler->EndColumn() - first;
    size_t bytes = size_t(SampleBytes(header.samples));
    for (int y = std::max(top, nextRow); y < top + count && y < resampler->EndRow(); ++y) {
        const unsigned char* row = rows + size_t(y - top) * stride;
        colour->ToSrgb(row + size_t(first) * bytes, pixels, &rgb[size_t(first) * 3]);
        resampler->AddRow(y, rgb.data());
        nextRow = y + 1;
    }
}

bool PhotoSink::Finish(FittedPhoto* out, std::string* why) {
    if (resampler == nullptr || nextRow < resampler->EndRow()) {
        *why = "damaged: the picture ends early";
        return false;
    }
    RgbImage stored;
    resampler->Finish(&stored);
    out->image.width = slotWidth;
    out->image.height = slotHeight;
    out->image.pixels.assign(size_t(slotWidth) * size_t(slotHeight) * 3, 0);
    TurnUpright(stored, header.orientation, geometry.left, geometry.top, &out->image);
    out->enlargement = enlargement;
    return true;
}

}  // namespace maker
