// Where a photo decoder delivers a photo, and where it is fitted: the
// decoder hands over the header first, learns how far it may reduce the
// photo while decoding, then delivers rows top to bottom in bands of any
// height. Each row the fit needs is turned into sRGB and resampled across
// as it comes; rows outside the fitted part are dropped unconverted, so
// the photo itself is never held, only a band of the slot's width.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "maker/ColourProfile.h"
#include "maker/FitGeometry.h"
#include "maker/FitPhoto.h"
#include "maker/PhotoHeader.h"
#include "maker/Resample.h"

namespace maker {

class PhotoSink {
public:
    PhotoSink(int slotWidth, int slotHeight, Fit fit);

    // The photo's header. False, with `why`, when the photo is refused
    // unread: it claims more pixels than kPhotoPixelLimit.
    bool Accept(const PhotoHeader& header, std::string* why);
    // How many times smaller (1, 2, 4, 8) the decoder may deliver the
    // photo, each side rounded up; decoders that cannot reduce ignore it.
    int Reduction() const { return reduction; }
    // The size the rows come at, once, before the first row.
    void Start(int width, int height);

    // The rows the fit needs: a decoder may skip the rows before FirstRow()
    // and stop once it has delivered the row before EndRow().
    int FirstRow() const { return resampler->FirstRow(); }
    int EndRow() const { return resampler->EndRow(); }
    // `count` rows from row `top` on, in the header's samples, `stride`
    // bytes apart.
    void Rows(int top, const unsigned char* rows, size_t stride, int count);

    // The fitted picture, once the rows up to EndRow() have come.
    bool Finish(FittedPhoto* out, std::string* why);

private:
    int slotWidth;
    int slotHeight;
    Fit fit;
    PhotoHeader header;
    int reduction = 1;
    double enlargement = 1;
    FitGeometry geometry;
    std::unique_ptr<ColourProfile> colour;
    std::unique_ptr<Resampler> resampler;
    std::vector<unsigned char> rgb;  // the row being resampled
    int nextRow = 0;
};

}  // namespace maker
