// Layout followed: the DOS header's e_lfanew leads to "PE\0\0", the file
// header and the optional header, whose data directories end it; the
// section table follows the optional header. RVAs become file offsets
// through the section table.
#include "PeHeaders.h"

namespace standin {
namespace {

const uint16_t kMachineI386 = 0x14C;
const uint16_t kMachineAmd64 = 0x8664;
const uint16_t kMagicPe32 = 0x10B;
const uint16_t kMagicPe32Plus = 0x20B;

// True when [offset, offset + length) lies inside a file of `size` bytes.
bool Has(size_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

std::string Hex(unsigned value) {
    const char digits[] = "0123456789abcdef";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4)
        text += digits[(value >> shift) & 15];
    return text;
}

}  // namespace

bool PeHeaders::FileOffset(uint32_t rva, uint32_t length, size_t fileSize, size_t* offset) const {
    for (const PeSection& s : sections) {
        if (rva < s.address || rva - s.address >= s.rawSize)
            continue;
        uint32_t within = rva - s.address;
        if (length > s.rawSize - within)
            return false;
        uint64_t at = uint64_t(s.rawOffset) + within;
        if (!Has(fileSize, at, length))
            return false;
        *offset = size_t(at);
        return true;
    }
    return false;
}

bool ReadPeHeaders(const unsigned char* file, size_t size, PeHeaders* headers, std::string* error) {
    *headers = PeHeaders();
    if (!Has(size, 0, 64) || PeWord(file) != 0x5A4D) {
        *error = "not a Windows program file (no MZ header)";
        return false;
    }
    uint32_t pe = PeDword(file + 0x3C);
    if (!Has(size, pe, 24) || PeDword(file + pe) != 0x00004550) {
        *error = "not a Windows program file (no PE header)";
        return false;
    }
    size_t fileHeader = size_t(pe) + 4;
    uint16_t machine = PeWord(file + fileHeader);
    uint16_t sectionCount = PeWord(file + fileHeader + 2);
    uint16_t optionalSize = PeWord(file + fileHeader + 16);
    size_t optional = fileHeader + 20;
    if (!Has(size, optional, optionalSize) || optionalSize < 2) {
        *error = "the PE optional header is cut short";
        return false;
    }
    uint16_t magic = PeWord(file + optional);
    size_t countField = 0;
    if (magic == kMagicPe32 && machine == kMachineI386) {
        countField = 92;
    } else if (magic == kMagicPe32Plus && machine == kMachineAmd64) {
        countField = 108;
    } else {
        *error = "not a 32-bit Windows program for x86 (machine " + Hex(machine) + ")";
        return false;
    }
    if (optionalSize < countField + 4) {
        *error = "the PE optional header is cut short";
        return false;
    }
    size_t table = optional + optionalSize;
    if (!Has(size, table, uint64_t(sectionCount) * 40)) {
        *error = "the section table is cut short";
        return false;
    }
    headers->fileHeader = fileHeader;
    headers->optional = optional;
    headers->optionalSize = optionalSize;
    headers->pe32Plus = magic == kMagicPe32Plus;
    headers->directories = optional + countField + 4;
    uint32_t room = uint32_t((optionalSize - countField - 4) / 8);
    uint32_t declared = PeDword(file + optional + countField);
    headers->directoryCount = declared < room ? declared : room;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        size_t s = table + 40 * size_t(i);
        headers->sections.push_back({s, PeDword(file + s + 8), PeDword(file + s + 12),
                                     PeDword(file + s + 16), PeDword(file + s + 20),
                                     PeDword(file + s + 36)});
    }
    return true;
}

}  // namespace standin
