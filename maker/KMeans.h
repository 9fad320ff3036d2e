// k-means clustering of colours: a k-means++ start (each new centre drawn
// with a chance in proportion to its squared distance from the nearest
// centre so far; of 2 + ln k such draws the one that leaves the points
// nearest is taken, as scikit-learn does, which makes a poor start, and a
// poor palette, far less likely), then Lloyd rounds in which every point
// joins its nearest centre (the lowest-numbered among equally near ones)
// and every centre moves to the mean of its points; a centre left without
// points moves to the point farthest from its own centre, measured against
// the centres as they stand at that moment.
//
// Deterministic: the draws come from the SeededRandom given and every
// distance is a whole number (centres move on a grid of sixteenths), so the
// result is the same on every machine and in WebAssembly.
#pragma once

#include <array>
#include <vector>

#include "maker/SeededRandom.h"

namespace maker {

using ColourPoint = std::array<unsigned char, 3>;
using Centre = std::array<double, 3>;

// `k` centres of `points` (which must not be empty) after `rounds` rounds.
std::vector<Centre> KMeans(const std::vector<ColourPoint>& points, int k, int rounds,
                           SeededRandom* random);

}  // namespace maker
