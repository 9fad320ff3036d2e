#include "maker/KMeans.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace maker {

namespace {

// Centres move on a grid of sixteenths, so that every distance is a whole
// number: exact, the same everywhere, and quick in columns. A squared
// distance is at most 3 (255 * 16)^2, well inside 32 bits.
const int32_t kScale = 16;
const int32_t kFar = std::numeric_limits<int32_t>::max();

// The two loops that take most of the time, also built for AVX2 where the
// processor has it (eight points at a time, and a 32-bit multiply in one
// instruction); whole numbers give the same result either way.
#if defined(__x86_64__) && defined(__linux__)
#define VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VECTOR_CLONES
#endif

struct Columns {
    std::vector<int32_t> red, green, blue;

    void Add(int32_t r, int32_t g, int32_t b) {
        red.push_back(r);
        green.push_back(g);
        blue.push_back(b);
    }
    size_t Size() const { return red.size(); }
};

// Every point's two nearest squared distances and the nearest centre.
struct Nearest {
    std::vector<int32_t> best, second, label;

    void Reset(size_t n) {
        best.assign(n, kFar);
        second.assign(n, kFar);
        label.assign(n, 0);
    }
};

// Brings the nearest distances of every point of `points` up to date with
// centre `j` at (cr, cg, cb); a nearer centre must be strictly nearer, so
// the lowest-numbered of equally near centres stays. The pointers never
// overlap; saying so (__restrict) lets the compiler take four or eight
// points at a time.
VECTOR_CLONES void TakeCentre(const int32_t* __restrict red, const int32_t* __restrict green,
                              const int32_t* __restrict blue, int32_t* __restrict best,
                              int32_t* __restrict second, int32_t* __restrict label, size_t n,
                              int32_t j, int32_t cr, int32_t cg, int32_t cb) {
    for (size_t i = 0; i < n; ++i) {
        int32_t dr = red[i] - cr, dg = green[i] - cg, db = blue[i] - cb;
        int32_t d = dr * dr + dg * dg + db * db;
        int32_t nearer = -int32_t(d < best[i]);
        second[i] = std::min(second[i], std::max(best[i], d));
        label[i] = (label[i] & ~nearer) | (j & nearer);
        best[i] = std::min(best[i], d);
    }
}

void TakeCentre(const Columns& points, const Columns& centres, int j, Nearest* nearest) {
    TakeCentre(points.red.data(), points.green.data(), points.blue.data(), nearest->best.data(),
               nearest->second.data(), nearest->label.data(), points.Size(), j, centres.red[j],
               centres.green[j], centres.blue[j]);
}

int32_t SquaredDistance(const Columns& a, size_t i, const Columns& b, size_t j) {
    int32_t dr = a.red[i] - b.red[j], dg = a.green[i] - b.green[j], db = a.blue[i] - b.blue[j];
    return dr * dr + dg * dg + db * db;
}

// What the nearest distances would add up to with a centre at (cr, cg, cb)
// as well. Sums of 32 distances fit 32 bits, which keeps the vector lanes
// narrow; only those sums are widened.
VECTOR_CLONES uint64_t PotentialWith(const int32_t* __restrict red, const int32_t* __restrict green,
                                     const int32_t* __restrict blue, const int32_t* __restrict best,
                                     size_t n, int32_t cr, int32_t cg, int32_t cb) {
    const size_t kRun = 32;
    uint64_t total = 0;
    size_t i = 0;
    for (; i + kRun <= n; i += kRun) {
        uint32_t run = 0;
        for (size_t r = i; r < i + kRun; ++r) {
            int32_t dr = red[r] - cr, dg = green[r] - cg, db = blue[r] - cb;
            run += uint32_t(std::min(best[r], dr * dr + dg * dg + db * db));
        }
        total += run;
    }
    for (; i < n; ++i) {
        int32_t dr = red[i] - cr, dg = green[i] - cg, db = blue[i] - cb;
        total += uint32_t(std::min(best[i], dr * dr + dg * dg + db * db));
    }
    return total;
}

// What the nearest distances would add up to with each candidate point as a
// centre as well, the points taken a block at a time so that every
// candidate is measured while the block is in the cache.
std::vector<uint64_t> PotentialsWith(const Columns& points, const std::vector<int32_t>& best,
                                     const std::vector<size_t>& candidates) {
    const size_t kBlock = 2048;
    std::vector<uint64_t> totals(candidates.size(), 0);
    for (size_t from = 0; from < points.Size(); from += kBlock) {
        size_t count = std::min(kBlock, points.Size() - from);
        for (size_t c = 0; c < candidates.size(); ++c) {
            size_t at = candidates[c];
            totals[c] += PotentialWith(points.red.data() + from, points.green.data() + from,
                                       points.blue.data() + from, best.data() + from, count,
                                       points.red[at], points.green[at], points.blue[at]);
        }
    }
    return totals;
}

// A point drawn with a chance in proportion to its nearest distance:
// `running` holds the running sums of the nearest distances.
size_t Draw(const std::vector<uint64_t>& running, SeededRandom* random) {
    uint64_t draw = random->Below(running.back());
    return size_t(std::upper_bound(running.begin(), running.end(), draw) - running.begin());
}

// The k-means++ start, each centre the best of a few draws (the one that
// leaves the points nearest), which makes a poor start far less likely;
// leaves every point's nearest centres in `nearest`.
Columns PlusPlusStart(const Columns& points, int k, SeededRandom* random, Nearest* nearest) {
    size_t n = points.Size();
    std::vector<size_t> candidates(2 + size_t(std::log(double(k))));
    nearest->Reset(n);
    std::vector<uint64_t> running(n);
    Columns centres;
    size_t chosen = size_t(random->Below(n));
    for (int j = 0; j < k; ++j) {
        centres.Add(points.red[chosen], points.green[chosen], points.blue[chosen]);
        TakeCentre(points, centres, j, nearest);
        uint64_t total = 0;
        for (size_t i = 0; i < n; ++i) {
            total += uint64_t(nearest->best[i]);
            running[i] = total;
        }
        if (total == 0) {
            // every point sits on a centre already: any point will do
            chosen = size_t(random->Below(n));
            continue;
        }
        for (size_t& candidate : candidates)
            candidate = Draw(running, random);
        std::vector<uint64_t> potential = PotentialsWith(points, nearest->best, candidates);
        chosen =
            candidates[std::min_element(potential.begin(), potential.end()) - potential.begin()];
    }
    return centres;
}

// Hamerly's bounds: for every point an upper bound on the distance to its
// centre and a lower bound on the distance to any other. A point whose upper
// bound lies below both its lower bound and half the gap from its centre to
// the next keeps its centre without a search. The bounds are plain
// distances (square roots) and carry a margin far above their rounding, so
// a point is only spared when its centre is strictly the nearest: the labels
// are exactly those a search of every centre gives.
struct Bounds {
    std::vector<double> upper, lower;
};

const double kMargin = 1e-6;

bool Spared(double upper, double limit) {
    return upper * (1 + kMargin) + kMargin < limit;
}

void SetBounds(size_t p, int32_t best, int32_t second, Bounds* bounds) {
    bounds->upper[p] = std::sqrt(double(best));
    bounds->lower[p] = std::sqrt(double(second));
}

void Assign(const Columns& points, const Columns& centres, std::vector<int32_t>* label,
            Bounds* bounds) {
    int k = int(centres.Size());
    std::vector<double> halfGap(k, std::numeric_limits<double>::infinity());
    for (int a = 0; a < k; ++a)
        for (int b = a + 1; b < k; ++b) {
            double gap = std::sqrt(double(SquaredDistance(centres, a, centres, b))) / 2;
            halfGap[a] = std::min(halfGap[a], gap);
            halfGap[b] = std::min(halfGap[b], gap);
        }
    // The points that need a search, searched together a centre at a time.
    std::vector<size_t> open;
    Columns batch;
    for (size_t p = 0; p < points.Size(); ++p) {
        int own = (*label)[p];
        double limit = std::max(halfGap[own], bounds->lower[p]);
        if (Spared(bounds->upper[p], limit))
            continue;
        bounds->upper[p] = std::sqrt(double(SquaredDistance(points, p, centres, own)));
        if (Spared(bounds->upper[p], limit))
            continue;
        open.push_back(p);
        batch.Add(points.red[p], points.green[p], points.blue[p]);
    }
    Nearest nearest;
    nearest.Reset(open.size());
    for (int j = 0; j < k; ++j)
        TakeCentre(batch, centres, j, &nearest);
    for (size_t i = 0; i < open.size(); ++i) {
        (*label)[open[i]] = nearest.label[i];
        SetBounds(open[i], nearest.best[i], nearest.second[i], bounds);
    }
}

// After the centres moved by `moved`: a point's own centre may have come
// nearer by its own move, any other by the largest move of the others.
void Loosen(const std::vector<int32_t>& label, const std::vector<double>& moved, Bounds* bounds) {
    int largest = 0, second = -1;
    for (int j = 1; j < int(moved.size()); ++j) {
        if (moved[j] > moved[largest]) {
            second = largest;
            largest = j;
        } else if (second < 0 || moved[j] > moved[second]) {
            second = j;
        }
    }
    for (size_t p = 0; p < label.size(); ++p) {
        int own = label[p];
        bounds->upper[p] += moved[own];
        bounds->lower[p] -= own == largest ? (second < 0 ? 0 : moved[second]) : moved[largest];
    }
}

// The mean of `count` values summing to `sum`, in sixteenths, half rounded up.
int32_t Mean(int64_t sum, int64_t count) {
    return int32_t((2 * sum + count) / (2 * count));
}

}  // namespace

std::vector<Centre> KMeans(const std::vector<ColourPoint>& colours, int k, int rounds,
                           SeededRandom* random) {
    Columns points;
    for (const ColourPoint& c : colours)
        points.Add(c[0] * kScale, c[1] * kScale, c[2] * kScale);
    size_t n = points.Size();
    // The start already knows every point's nearest centre: the first round
    // needs no search.
    Nearest start;
    Columns centres = PlusPlusStart(points, k, random, &start);
    std::vector<int32_t> label = start.label;
    Bounds bounds;
    bounds.upper.resize(n);
    bounds.lower.resize(n);
    for (size_t p = 0; p < n; ++p)
        SetBounds(p, start.best[p], start.second[p], &bounds);
    for (int round = 0; round < rounds; ++round) {
        if (round > 0)
            Assign(points, centres, &label, &bounds);
        std::vector<int64_t> sum(3 * size_t(k), 0), count(k, 0);
        for (size_t p = 0; p < n; ++p) {
            sum[3 * label[p]] += points.red[p];
            sum[3 * label[p] + 1] += points.green[p];
            sum[3 * label[p] + 2] += points.blue[p];
            ++count[label[p]];
        }
        Columns before = centres;
        for (int j = 0; j < k; ++j) {
            if (count[j] > 0) {
                centres.red[j] = Mean(sum[3 * j], count[j]);
                centres.green[j] = Mean(sum[3 * j + 1], count[j]);
                centres.blue[j] = Mean(sum[3 * j + 2], count[j]);
                continue;
            }
            // No point is nearest: the centre moves to the point farthest
            // from its own centre, against the centres as they stand now.
            size_t worst = 0;
            int32_t worstDistance = -1;
            for (size_t p = 0; p < n; ++p) {
                int32_t d = SquaredDistance(points, p, centres, label[p]);
                if (d > worstDistance) {
                    worst = p;
                    worstDistance = d;
                }
            }
            centres.red[j] = points.red[worst];
            centres.green[j] = points.green[worst];
            centres.blue[j] = points.blue[worst];
        }
        std::vector<double> moved(k);
        for (int j = 0; j < k; ++j)
            moved[j] = std::sqrt(double(SquaredDistance(centres, j, before, j)));
        Loosen(label, moved, &bounds);
    }
    std::vector<Centre> result;
    for (int j = 0; j < k; ++j)
        result.push_back({double(centres.red[j]) / kScale, double(centres.green[j]) / kScale,
                          double(centres.blue[j]) / kScale});
    return result;
}

}  // namespace maker
