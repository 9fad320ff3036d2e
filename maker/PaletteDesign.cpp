#include "maker/PaletteDesign.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <set>

#include "maker/KMeans.h"
#include "maker/SeededRandom.h"

namespace maker {

namespace {

using Colour = std::array<int, 3>;

const Colour kStaticLow[10] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                               {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                               {192, 220, 192}, {166, 202, 240}};
const Colour kStaticHigh[10] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                {0, 255, 255},   {255, 255, 255}};
// Entry 10, the nearest to (248, 248, 248).
const Colour kNearWhite = {243, 244, 243};
// Entries 244 and 245: as near to (0, 0, 8) as black is.
const Colour kDarkPair[2] = {{0, 0, 16}, {0, 8, 8}};
// With 0, 128, 192 and 255 a 23-step ramp; 7 is the darkest that stays
// farther than black from (0, 0, 8), and none is above 239 so that entry 10
// keeps near-white.
const int kGreys[19] = {7,   16,  26,  37,  49,  61,  74,  87,  101, 114,
                        141, 154, 167, 180, 203, 213, 222, 231, 239};
// Colours that must keep their own entry in the colour table: every free
// colour stays farther from them than the entry that owns them.
struct Guard {
    Colour colour;
    int limit;  // squared distance a free colour must exceed
};
const Guard kGuards[3] = {{{0, 0, 8}, 64}, {{248, 248, 248}, 66}, {{248, 0, 0}, 49}};

const uint64_t kSeed = 4098;
const int kRounds = 16;
const int kPlacingTries = 64;

int SquaredDistance(const Colour& a, const Colour& b) {
    int total = 0;
    for (int c = 0; c < 3; ++c)
        total += (a[c] - b[c]) * (a[c] - b[c]);
    return total;
}

int Clip(double v) {
    return int(std::min(255.0, std::max(0.0, v)));
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

// The pixels of every picture, a picture's sample distinct pixels chosen by
// a partial Fisher-Yates shuffle of its pixel numbers.
std::vector<ColourPoint> SamplePixels(const std::vector<const RgbImage*>& pictures,
                                      SeededRandom* random) {
    std::vector<ColourPoint> points;
    std::vector<uint32_t> order;
    for (const RgbImage* picture : pictures) {
        size_t n = size_t(picture->width) * size_t(picture->height);
        size_t take = std::min(n, size_t(1500) + n / 60);
        order.resize(n);
        std::iota(order.begin(), order.end(), 0u);
        for (size_t i = 0; i < take; ++i) {
            size_t j = i + size_t(random->Below(n - i));
            std::swap(order[i], order[j]);
            const unsigned char* p = &picture->pixels[size_t(order[i]) * 3];
            points.push_back({p[0], p[1], p[2]});
        }
    }
    return points;
}

// Moves `c` just outside the guard, along the line from the guard through
// `v` (a direction), rounding half to even.
Colour PushOut(const Colour& guard, const Colour& v, int limit) {
    double length = std::sqrt(double(SquaredDistance(v, {0, 0, 0})));
    double stretch = std::sqrt(double(limit + 1)) / length;
    Colour out;
    for (int c = 0; c < 3; ++c)
        out[c] = Clip(std::nearbyint(guard[c] + v[c] * stretch) + Sign(v[c]));
    return out;
}

// A free colour rounded and pushed off the guards, the greys and the colours
// already taken.
bool Legalise(const Centre& centre, const std::set<Colour>& taken, Colour* out) {
    Colour c;
    for (int i = 0; i < 3; ++i)
        c[i] = Clip(std::nearbyint(centre[i]));
    for (int attempt = 0; attempt < kPlacingTries; ++attempt) {
        for (const Guard& guard : kGuards) {
            Colour v = {c[0] - guard.colour[0], c[1] - guard.colour[1], c[2] - guard.colour[2]};
            if (SquaredDistance(v, {0, 0, 0}) > guard.limit)
                continue;
            if (v == Colour{0, 0, 0})
                v = {1, 1, 1};
            c = PushOut(guard.colour, v, guard.limit);
            if (SquaredDistance(c, guard.colour) <= guard.limit) {
                // pushed against the cube's edge (a colour near black, say):
                // leave the guard toward the middle of the cube instead
                Colour middle = {128 - guard.colour[0], 128 - guard.colour[1],
                                 128 - guard.colour[2]};
                c = PushOut(guard.colour, middle, guard.limit);
            }
        }
        if (c[0] == c[1] && c[1] == c[2])
            c[2] = c[2] < 255 ? c[2] + 1 : c[2] - 1;
        if (taken.count(c) != 0) {
            int& moved = c[taken.size() % 3];
            moved = moved < 255 ? moved + 1 : moved - 1;
            continue;
        }
        bool clear = true;
        for (const Guard& guard : kGuards)
            clear = clear && SquaredDistance(c, guard.colour) > guard.limit;
        if (clear) {
            *out = c;
            return true;
        }
    }
    return false;
}

}  // namespace

bool DesignPalette(const std::vector<const RgbImage*>& colourPictures,
                   std::vector<unsigned char>* palette, std::string* why) {
    std::vector<Colour> head(kStaticLow, kStaticLow + 10);
    head.push_back(kNearWhite);
    for (int g : kGreys)
        head.push_back({g, g, g});
    std::vector<Colour> tail(kDarkPair, kDarkPair + 2);
    tail.insert(tail.end(), kStaticHigh, kStaticHigh + 10);
    int free = 256 - int(head.size() + tail.size());

    SeededRandom random(kSeed);
    std::vector<ColourPoint> points = SamplePixels(colourPictures, &random);
    if (points.empty())
        points.push_back({0, 0, 0});
    std::vector<Centre> centres = KMeans(points, free, kRounds, &random);
    std::vector<double> luma(centres.size());
    for (size_t j = 0; j < centres.size(); ++j)
        luma[j] = centres[j][0] * 0.299 + centres[j][1] * 0.587 + centres[j][2] * 0.114;
    std::vector<size_t> order(centres.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return luma[a] < luma[b]; });

    std::set<Colour> taken(head.begin(), head.end());
    taken.insert(tail.begin(), tail.end());
    std::vector<Colour> entries = head;
    for (size_t j : order) {
        Colour placed;
        if (!Legalise(centres[j], taken, &placed)) {
            *why = "the palette designer cannot place a colour near (" +
                   std::to_string(Clip(centres[j][0])) + ", " +
                   std::to_string(Clip(centres[j][1])) + ", " +
                   std::to_string(Clip(centres[j][2])) + ")";
            return false;
        }
        taken.insert(placed);
        entries.push_back(placed);
    }
    entries.insert(entries.end(), tail.begin(), tail.end());
    palette->clear();
    for (const Colour& c : entries)
        palette->insert(palette->end(),
                        {(unsigned char)c[0], (unsigned char)c[1], (unsigned char)c[2]});
    return true;
}

}  // namespace maker
