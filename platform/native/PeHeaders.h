// The headers of a Windows program file (PE32, or PE32+ for the 64-bit
// build) held in memory: where the optional header, the data directories
// and the section table lie. Every offset is checked against the bytes
// given before it is followed, so a damaged or hostile file is refused with
// a message. The resource reader and the maker's program-file writer both
// start here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// Little-endian fields, as every PE structure stores them.
inline uint16_t PeWord(const unsigned char* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t PeDword(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void PePutWord(unsigned char* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PePutDword(unsigned char* p, uint32_t v) {
    PePutWord(p, v & 0xFFFF);
    PePutWord(p + 2, v >> 16);
}

struct PeSection {
    size_t header;  // file offset of its 40-byte entry in the section table
    uint32_t virtualSize;
    uint32_t address;  // RVA of its first byte
    uint32_t rawSize;  // bytes stored in the file
    uint32_t rawOffset;
    uint32_t characteristics;
};

struct PeHeaders {
    size_t fileHeader = 0;  // the COFF file header, right after "PE\0\0"
    size_t optional = 0;    // the optional header, optionalSize bytes
    size_t optionalSize = 0;
    bool pe32Plus = false;
    size_t directories = 0;       // data directory 0
    uint32_t directoryCount = 0;  // entries both declared and inside the optional header
    std::vector<PeSection> sections;

    // The file offset of [rva, rva + length), which must lie in the stored
    // bytes of one section and inside the `fileSize` bytes of the file.
    bool FileOffset(uint32_t rva, uint32_t length, size_t fileSize, size_t* offset) const;
};

// Fills `headers` and returns true, or returns false with `error` saying
// why the file is not a Windows program for x86 or x86-64.
bool ReadPeHeaders(const unsigned char* file, size_t size, PeHeaders* headers, std::string* error);

}  // namespace standin
