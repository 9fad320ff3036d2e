#include "imaging/PaletteCellMap.h"

#include <cstdint>

#include "imaging/ShowPalette.h"

// The search is the one libjpeg's quantizer runs lazily per picture, run
// here once over the whole grid. The grid is filled in boxes of 4 x 8 x 4
// cells: for each box, entries that cannot be nearest to any cell in it are
// dropped first (an entry whose least distance to the box exceeds the
// smallest greatest distance of any entry), and the rest are measured to
// every cell centre by running differences. Candidates are tried in index
// order and only a strictly smaller distance replaces the best so far, so
// ties go to the lowest index, as in the library.

namespace {

const int kRedShift = 8 - PaletteCellMap::kRedBits;
const int kGreenShift = 8 - PaletteCellMap::kGreenBits;
const int kBlueShift = 8 - PaletteCellMap::kBlueBits;

// Distance weights: green counts most, blue least.
const int kRedScale = 2;
const int kGreenScale = 3;
const int kBlueScale = 1;

// log2 of a box's cells along each axis.
const int kBoxRedLog = PaletteCellMap::kRedBits - 3;
const int kBoxGreenLog = PaletteCellMap::kGreenBits - 3;
const int kBoxBlueLog = PaletteCellMap::kBlueBits - 3;
const int kBoxRed = 1 << kBoxRedLog;
const int kBoxGreen = 1 << kBoxGreenLog;
const int kBoxBlue = 1 << kBoxBlueLog;
const int kBoxCells = kBoxRed * kBoxGreen * kBoxBlue;
const int kBoxRedShift = kRedShift + kBoxRedLog;
const int kBoxGreenShift = kGreenShift + kBoxGreenLog;
const int kBoxBlueShift = kBlueShift + kBoxBlueLog;

// Steps between neighbouring cell centres, in weighted units.
const int32_t kRedStep = (1 << kRedShift) * kRedScale;
const int32_t kGreenStep = (1 << kGreenShift) * kGreenScale;
const int32_t kBlueStep = (1 << kBlueShift) * kBlueScale;

// Least and greatest weighted squared distance along one axis from value x
// to the centres lo..hi (centre = their midpoint, rounded down).
void AxisDistances(int x, int lo, int hi, int centre, int scale, int32_t* least,
                   int32_t* greatest) {
    int32_t closest = 0, farthest;
    if (x < lo) {
        closest = (x - lo) * scale;
        farthest = (x - hi) * scale;
    } else if (x > hi) {
        closest = (x - hi) * scale;
        farthest = (x - lo) * scale;
    } else {
        farthest = (x <= centre ? x - hi : x - lo) * scale;
    }
    *least += closest * closest;
    *greatest += farthest * farthest;
}

}  // namespace

PaletteCellMap::PaletteCellMap(ShowPalette* palette) : count(palette->Count()) {
    if (count > 256)
        count = 256;
    for (int i = 0; i < 256; ++i) {
        bool present = i < count;
        reds[i] = present ? palette->Red(i) : 0;
        greens[i] = present ? palette->Green(i) : 0;
        blues[i] = present ? palette->Blue(i) : 0;
        sevenfold[4 * i + 0] = int16_t(7 * reds[i]);
        sevenfold[4 * i + 1] = int16_t(7 * greens[i]);
        sevenfold[4 * i + 2] = int16_t(7 * blues[i]);
        sevenfold[4 * i + 3] = 0;
    }
    if (count < 1) {
        // No entry to be near to: every cell says entry 0.
        for (BYTE& cell : cells)
            cell = 0;
        return;
    }
    for (int r = 0; r < (1 << kRedBits) >> kBoxRedLog; ++r)
        for (int g = 0; g < (1 << kGreenBits) >> kBoxGreenLog; ++g)
            for (int b = 0; b < (1 << kBlueBits) >> kBoxBlueLog; ++b)
                FillBox(r, g, b);
}

PaletteCellMap::~PaletteCellMap() {}

int PaletteCellMap::NearbyEntries(int minRed, int minGreen, int minBlue, BYTE* list) const {
    int maxRed = minRed + ((1 << kBoxRedShift) - (1 << kRedShift));
    int maxGreen = minGreen + ((1 << kBoxGreenShift) - (1 << kGreenShift));
    int maxBlue = minBlue + ((1 << kBoxBlueShift) - (1 << kBlueShift));
    int centreRed = (minRed + maxRed) >> 1;
    int centreGreen = (minGreen + maxGreen) >> 1;
    int centreBlue = (minBlue + maxBlue) >> 1;

    int32_t least[256];
    int32_t smallestGreatest = INT32_MAX;
    for (int i = 0; i < count; ++i) {
        int32_t nearest = 0, farthest = 0;
        AxisDistances(reds[i], minRed, maxRed, centreRed, kRedScale, &nearest, &farthest);
        AxisDistances(greens[i], minGreen, maxGreen, centreGreen, kGreenScale, &nearest, &farthest);
        AxisDistances(blues[i], minBlue, maxBlue, centreBlue, kBlueScale, &nearest, &farthest);
        least[i] = nearest;
        if (farthest < smallestGreatest)
            smallestGreatest = farthest;
    }
    int listed = 0;
    for (int i = 0; i < count; ++i) {
        if (least[i] <= smallestGreatest)
            list[listed++] = BYTE(i);
    }
    return listed;
}

void PaletteCellMap::FillBox(int boxRed, int boxGreen, int boxBlue) {
    // Centre of the box's first cell.
    int minRed = (boxRed << kBoxRedShift) + ((1 << kRedShift) >> 1);
    int minGreen = (boxGreen << kBoxGreenShift) + ((1 << kGreenShift) >> 1);
    int minBlue = (boxBlue << kBoxBlueShift) + ((1 << kBlueShift) >> 1);

    BYTE candidates[256];
    int candidateCount = NearbyEntries(minRed, minGreen, minBlue, candidates);

    int32_t bestDistance[kBoxCells];
    BYTE best[kBoxCells];
    for (int i = 0; i < kBoxCells; ++i) {
        bestDistance[i] = INT32_MAX;
        best[i] = 0;
    }
    for (int c = 0; c < candidateCount; ++c) {
        int entry = candidates[c];
        int32_t incRed = (minRed - reds[entry]) * kRedScale;
        int32_t incGreen = (minGreen - greens[entry]) * kGreenScale;
        int32_t incBlue = (minBlue - blues[entry]) * kBlueScale;
        int32_t distRed = incRed * incRed + incGreen * incGreen + incBlue * incBlue;
        // Differences between neighbouring cells' distances grow by a
        // constant step, so each cell costs two additions.
        int32_t stepRed = incRed * (2 * kRedStep) + kRedStep * kRedStep;
        int32_t stepGreen0 = incGreen * (2 * kGreenStep) + kGreenStep * kGreenStep;
        int32_t stepBlue0 = incBlue * (2 * kBlueStep) + kBlueStep * kBlueStep;
        int cell = 0;
        for (int r = 0; r < kBoxRed; ++r) {
            int32_t distGreen = distRed;
            int32_t stepGreen = stepGreen0;
            for (int g = 0; g < kBoxGreen; ++g) {
                int32_t distance = distGreen;
                int32_t stepBlue = stepBlue0;
                for (int b = 0; b < kBoxBlue; ++b, ++cell) {
                    if (distance < bestDistance[cell]) {
                        bestDistance[cell] = distance;
                        best[cell] = BYTE(entry);
                    }
                    distance += stepBlue;
                    stepBlue += 2 * kBlueStep * kBlueStep;
                }
                distGreen += stepGreen;
                stepGreen += 2 * kGreenStep * kGreenStep;
            }
            distRed += stepRed;
            stepRed += 2 * kRedStep * kRedStep;
        }
    }

    int cell = 0;
    for (int r = 0; r < kBoxRed; ++r) {
        for (int g = 0; g < kBoxGreen; ++g) {
            BYTE* row = cells + ((boxRed << kBoxRedLog) + r) * (1 << (kGreenBits + kBlueBits)) +
                        ((boxGreen << kBoxGreenLog) + g) * (1 << kBlueBits) +
                        (boxBlue << kBoxBlueLog);
            for (int b = 0; b < kBoxBlue; ++b)
                row[b] = best[cell++];
        }
    }
}
