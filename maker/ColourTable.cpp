#include "maker/ColourTable.h"

#include <set>
#include <tuple>

namespace maker {

namespace {

int SquaredDistance(const unsigned char* entry, int r, int g, int b) {
    int dr = entry[0] - r, dg = entry[1] - g, db = entry[2] - b;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

std::vector<unsigned char> BuildColourTable(const std::vector<unsigned char>& palette) {
    std::vector<unsigned char> table(32768);
    for (int key = 0; key < 32768; ++key) {
        int r = (key >> 10 & 31) * 8, g = (key >> 5 & 31) * 8, b = (key & 31) * 8;
        int best = 0, bestDistance = -1;
        for (int i = 0; i < 256; ++i) {
            int d = SquaredDistance(&palette[3 * i], r, g, b);
            if (bestDistance < 0 || d <= bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        table[key] = (unsigned char)best;
    }
    return table;
}

bool CheckPalette(const std::vector<unsigned char>& palette,
                  const std::vector<unsigned char>& table, std::string* why) {
    if (palette.size() != 768 || table.size() != 32768) {
        *why = "the palette must be 768 bytes and its table 32768";
        return false;
    }
    std::set<std::tuple<int, int, int>> colours;
    int greys = 0;
    for (int i = 0; i < 256; ++i) {
        const unsigned char* c = &palette[3 * i];
        colours.insert({c[0], c[1], c[2]});
        greys += c[0] == c[1] && c[1] == c[2];
    }
    if (colours.size() != 256) {
        *why = "palette colours must all differ";
        return false;
    }
    if (greys != 23) {
        *why = "palette must hold 23 greys, not " + std::to_string(greys);
        return false;
    }
    const int fixed[5][2] = {{0, 0}, {0x7C00, 249}, {0x4210, 248}, {0x7FFF, 10}, {1, 245}};
    for (const auto& f : fixed) {
        if (table[f[0]] != f[1]) {
            *why = "colour key " + std::to_string(f[0]) + " gives entry " +
                   std::to_string(table[f[0]]) + ", not " + std::to_string(f[1]);
            return false;
        }
    }
    std::vector<int> nearest;
    int least = -1;
    for (int i = 0; i < 256; ++i) {
        int d = SquaredDistance(&palette[3 * i], 0, 0, 8);
        if (least < 0 || d < least)
            least = d;
        if (d == 64)
            nearest.push_back(i);
    }
    if (least != 64 || nearest != std::vector<int>{0, 244, 245}) {
        *why = "only entries 0, 244 and 245 may lie nearest to (0, 0, 8)";
        return false;
    }
    return true;
}

}  // namespace maker
