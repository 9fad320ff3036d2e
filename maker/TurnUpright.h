// Copies a picture in a photo's stored frame into a slot, turned and
// mirrored by the photo's EXIF orientation so that it stands upright, with
// its top-left corner at (left, top) of the slot. The upright picture must
// fit inside the slot there.
#pragma once

#include "maker/RgbImage.h"

namespace maker {

void TurnUpright(const RgbImage& stored, int orientation, int left, int top, RgbImage* slot);

}  // namespace maker
