// The show palette designed for a set of pictures, by the rules the shipped
// palette was made with: entries 0-9 and 246-255 are the twenty static
// colours of the Windows system palette, entry 10 the near-white
// (243, 244, 243), entries 11-29 nineteen greys that complete a 23-step ramp
// for the grey logos, entries 244 and 245 the dark pair (0, 0, 16) and
// (0, 8, 8), and the 214 entries between are the centres of a k-means
// clustering (KMeans, 16 rounds) of pixels sampled from every colour
// picture, in order of luma, each rounded and pushed off the greys, the
// colours in use and three guarded colours whose entries the colour table
// must keep.
//
// The sample takes 1500 + n / 60 distinct pixels of a picture of n pixels
// (all of a smaller one), so that small pictures count for more than their
// area; pictures are taken in the order given. Chance comes from a
// SeededRandom seeded with the palette's resource id, 4098.
#pragma once

#include <string>
#include <vector>

#include "maker/RgbImage.h"

namespace maker {

// The 256 colours as the palette resource holds them: 768 bytes, red, green
// and blue of entry 0 first. False with a message only when the colours
// cannot all be placed, which no set of pictures is known to cause.
bool DesignPalette(const std::vector<const RgbImage*>& colourPictures,
                   std::vector<unsigned char>* palette, std::string* why);

}  // namespace maker
