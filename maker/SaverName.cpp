#include "maker/SaverName.h"

#include <cstdint>

#include "maker/NameText.h"

namespace maker {

namespace {

const size_t kStringsPerBlock = 16;
const size_t kLongestFileName = 64;

void PutUnit(std::vector<unsigned char>* bytes, uint16_t unit) {
    bytes->push_back(uint8_t(unit));
    bytes->push_back(uint8_t(unit >> 8));
}

bool Forbidden(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xDC80 && c <= 0xDCFF) ||
           std::u32string(U"<>:\"/\\|?*").find(c) != std::u32string::npos;
}

bool DeviceName(const std::u32string& name) {
    std::u32string upper;
    for (char32_t c : name.substr(0, name.find(U'.')))
        upper += c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c;
    while (!upper.empty() && upper.back() == U' ')
        upper.pop_back();
    for (const char32_t* device : {U"CON", U"PRN", U"AUX", U"NUL"})
        if (upper == device)
            return true;
    return upper.size() == 4 &&
           (upper.compare(0, 3, U"COM") == 0 || upper.compare(0, 3, U"LPT") == 0) &&
           upper[3] >= U'1' && upper[3] <= U'9';
}

std::u32string TrimEnds(const std::u32string& text) {
    size_t start = 0, end = text.size();
    while (start < end && (text[start] == U' ' || text[start] == U'.'))
        ++start;
    while (end > start && (text[end - 1] == U' ' || text[end - 1] == U'.'))
        --end;
    return text.substr(start, end - start);
}

}  // namespace

std::vector<unsigned char> SaverNameBlock(const std::string& name) {
    std::vector<uint16_t> units;
    for (char32_t c : DecodeName(name)) {
        if (c >= 0x10000) {
            units.push_back(uint16_t(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(uint16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(uint16_t(c));
        }
    }
    std::vector<unsigned char> block;
    for (size_t i = 0; i < kStringsPerBlock; ++i) {
        if (i != size_t(kSaverNameString) % kStringsPerBlock) {
            PutUnit(&block, 0);
            continue;
        }
        PutUnit(&block, uint16_t(units.size()));
        for (uint16_t unit : units)
            PutUnit(&block, unit);
    }
    return block;
}

std::string SaverFileName(const std::string& name) {
    std::u32string kept;
    for (char32_t c : DecodeName(name)) {
        if (IsSpace(c))
            c = U' ';
        if (Forbidden(c) || (c == U' ' && !kept.empty() && kept.back() == U' '))
            continue;
        kept += c;
    }
    kept = TrimEnds(kept);
    if (kept.size() > kLongestFileName)
        kept = TrimEnds(kept.substr(0, kLongestFileName));
    if (kept.empty() || DeviceName(kept))
        kept = U"Avrel";
    return EncodeName(kept) + ".scr";
}

}  // namespace maker
