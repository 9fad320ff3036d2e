// k-means clustering of colours: a k-means++ start (each new centre drawn
// with a chance in proportion to its squared distance from the nearest
// centre so far), then Lloyd rounds in which every point joins its nearest
// centre (the lowest-numbered among equally near ones) and every centre
// moves to the mean of its points; a centre left without points moves to
// the point farthest from its own centre, measured against the centres as
// they stand at that moment.
//
// Deterministic: the draws come from the SeededRandom given, distances of
// the start are whole numbers, and the rounds use only IEEE additions,
// multiplications and divisions in a fixed order (the library is built
// without floating-point contraction), so the result is the same on every
// machine and in WebAssembly.
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
