// The colour table that goes with a palette (resource 4099): for every
// 15-bit colour key (r5 << 10 | g5 << 5 | b5) the entry nearest to
// (8 r5, 8 g5, 8 b5) by squared distance, the highest-numbered among equally
// near entries; and the checks every show palette and its table must pass.
#pragma once

#include <string>
#include <vector>

namespace maker {

// 32768 bytes from the 768 bytes of a palette.
std::vector<unsigned char> BuildColourTable(const std::vector<unsigned char>& palette);

// True when the palette holds 256 different colours, 23 of them grey, its
// table gives the show's fixed answers (key 0 black, 0x7C00 red at 249,
// 0x4210 grey at 248, 0x7FFF near-white at 10, key 1 entry 245) and exactly
// entries 0, 244 and 245 lie nearest to (0, 0, 8); otherwise false with the
// first rule broken.
bool CheckPalette(const std::vector<unsigned char>& palette,
                  const std::vector<unsigned char>& table, std::string* why);

}  // namespace maker
