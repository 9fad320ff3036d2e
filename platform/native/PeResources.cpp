// The resource table of a PE program file, read with every offset checked.
//
// Layout followed: the DOS header's e_lfanew leads to "PE\0\0", the file
// header and the optional header, whose data directory 2 gives the resource
// tree's address (an RVA). RVAs become file offsets through the section
// table. The tree has three levels of directories (type, name, language);
// offsets inside it count from its root, and a leaf is a data entry whose
// data is again an RVA.
#include "PeResources.h"

#include <cstdint>
#include <set>

namespace standin {
namespace {

const uint16_t kMachineI386 = 0x14C;
const uint16_t kMachineAmd64 = 0x8664;
const uint16_t kMagicPe32 = 0x10B;
const uint16_t kMagicPe32Plus = 0x20B;
const uint32_t kResourceDirectory = 2;
const uint32_t kSubdirectory = 0x80000000u;
const uint32_t kStringName = 0x80000000u;
// Far beyond any real program and small enough that a file made of nothing
// but directory entries is still read quickly.
const size_t kMaxResources = 65536;

class Reader {
public:
    Reader(const unsigned char* file, size_t size) : file_(file), size_(size) {}

    // True when [offset, offset + length) lies inside the file.
    bool Has(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    uint16_t Word(size_t offset) const { return uint16_t(file_[offset] | file_[offset + 1] << 8); }
    uint32_t Dword(size_t offset) const {
        return uint32_t(file_[offset]) | uint32_t(file_[offset + 1]) << 8 |
               uint32_t(file_[offset + 2]) << 16 | uint32_t(file_[offset + 3]) << 24;
    }
    const unsigned char* At(size_t offset) const { return file_ + offset; }

private:
    const unsigned char* file_;
    size_t size_;
};

struct Section {
    uint32_t address;  // RVA of its first byte
    uint32_t rawSize;  // bytes stored in the file
    uint32_t rawOffset;
};

class PeFile {
public:
    PeFile(const unsigned char* file, size_t size) : reader_(file, size) {}

    bool Read(std::vector<ResourceEntry>* entries, std::string* error) {
        entries_ = entries;
        error_ = error;
        entries_->clear();
        uint32_t rootRva = 0, rootSize = 0;
        if (!ReadHeaders(&rootRva, &rootSize))
            return false;
        if (rootRva == 0 || rootSize == 0)
            return Fail("the file has no resources");
        if (!FileOffset(rootRva, rootSize, &root_))
            return Fail("the resource directory lies outside the file's sections");
        treeSize_ = rootSize;
        return ReadDirectory(0, 0, ResourceEntry{});
    }

private:
    bool Fail(const std::string& what) {
        *error_ = what;
        entries_->clear();
        return false;
    }

    bool ReadHeaders(uint32_t* rootRva, uint32_t* rootSize) {
        if (!reader_.Has(0, 64) || reader_.Word(0) != 0x5A4D)
            return Fail("not a Windows program file (no MZ header)");
        uint32_t pe = reader_.Dword(0x3C);
        if (!reader_.Has(pe, 24) || reader_.Dword(pe) != 0x00004550)
            return Fail("not a Windows program file (no PE header)");
        uint16_t machine = reader_.Word(pe + 4);
        uint16_t sectionCount = reader_.Word(pe + 6);
        uint16_t optionalSize = reader_.Word(pe + 20);
        size_t optional = size_t(pe) + 24;
        if (!reader_.Has(optional, optionalSize) || optionalSize < 2)
            return Fail("the PE optional header is cut short");
        uint16_t magic = reader_.Word(optional);
        size_t countField = 0;
        if (magic == kMagicPe32 && machine == kMachineI386)
            countField = 92;
        else if (magic == kMagicPe32Plus && machine == kMachineAmd64)
            countField = 108;
        else
            return Fail("not a 32-bit Windows program for x86 (machine " + Hex(machine) + ")");
        if (optionalSize < countField + 4)
            return Fail("the PE optional header is cut short");
        uint32_t directoryCount = reader_.Dword(optional + countField);
        size_t directory = optional + countField + 4 + 8 * kResourceDirectory;
        if (directoryCount <= kResourceDirectory || directory + 8 > optional + optionalSize)
            return Fail("the file has no resources");
        *rootRva = reader_.Dword(directory);
        *rootSize = reader_.Dword(directory + 4);

        size_t table = optional + optionalSize;
        if (!reader_.Has(table, uint64_t(sectionCount) * 40))
            return Fail("the section table is cut short");
        for (uint16_t i = 0; i < sectionCount; ++i) {
            size_t s = table + 40 * size_t(i);
            sections_.push_back(
                {reader_.Dword(s + 12), reader_.Dword(s + 16), reader_.Dword(s + 20)});
        }
        return true;
    }

    // The file offset of [rva, rva + length), which must lie in the stored
    // bytes of one section and inside the file.
    bool FileOffset(uint32_t rva, uint32_t length, size_t* offset) const {
        for (const Section& s : sections_) {
            if (rva < s.address || rva - s.address >= s.rawSize)
                continue;
            uint32_t within = rva - s.address;
            if (length > s.rawSize - within)
                return false;
            uint64_t at = uint64_t(s.rawOffset) + within;
            if (!reader_.Has(at, length))
                return false;
            *offset = size_t(at);
            return true;
        }
        return false;
    }

    // Directory at `offset` in the tree; level 0 types, 1 names, 2 languages.
    bool ReadDirectory(uint32_t offset, int level, ResourceEntry entry) {
        if (!visited_.insert(offset).second)
            return Fail("the resource directory loops back on itself");
        if (uint64_t(offset) + 16 > treeSize_)
            return Fail("a resource directory lies outside the resource section");
        size_t at = root_ + offset;
        uint32_t count = uint32_t(reader_.Word(at + 12)) + reader_.Word(at + 14);
        if (uint64_t(offset) + 16 + 8 * uint64_t(count) > treeSize_)
            return Fail("a resource directory's entries run past the resource section");
        for (uint32_t i = 0; i < count; ++i) {
            size_t item = at + 16 + 8 * size_t(i);
            uint32_t name = reader_.Dword(item);
            uint32_t target = reader_.Dword(item + 4);
            bool subdirectory = (target & kSubdirectory) != 0;
            target &= ~kSubdirectory;
            if (subdirectory != (level < 2))
                return Fail("the resource tree is not three levels deep");
            // String-named types and names are skipped whole.
            if ((name & kStringName) != 0 && level < 2)
                continue;
            WORD id = WORD(name & 0xFFFF);
            if (level == 0)
                entry.type = id;
            else if (level == 1)
                entry.id = id;
            else
                entry.language = id;
            bool good =
                level < 2 ? ReadDirectory(target, level + 1, entry) : ReadData(target, entry);
            if (!good)
                return false;
        }
        return true;
    }

    bool ReadData(uint32_t offset, ResourceEntry entry) {
        if (uint64_t(offset) + 16 > treeSize_)
            return Fail("a resource data entry lies outside the resource section");
        size_t at = root_ + offset;
        uint32_t rva = reader_.Dword(at);
        uint32_t size = reader_.Dword(at + 4);
        size_t data = 0;
        if (!FileOffset(rva, size, &data))
            return Fail("resource " + std::to_string(entry.id) + " of type " +
                        std::to_string(entry.type) + " lies outside the file");
        if (entries_->size() >= kMaxResources)
            return Fail("the file claims more than " + std::to_string(kMaxResources) +
                        " resources");
        entry.data = reader_.At(data);
        entry.size = size;
        entries_->push_back(entry);
        return true;
    }

    static std::string Hex(unsigned value) {
        const char digits[] = "0123456789abcdef";
        std::string text = "0x";
        for (int shift = 12; shift >= 0; shift -= 4)
            text += digits[(value >> shift) & 15];
        return text;
    }

    Reader reader_;
    std::vector<Section> sections_;
    std::set<uint32_t> visited_;
    size_t root_ = 0;
    uint32_t treeSize_ = 0;
    std::vector<ResourceEntry>* entries_ = nullptr;
    std::string* error_ = nullptr;
};

}  // namespace

bool ReadPeResources(const unsigned char* file, size_t size, std::vector<ResourceEntry>* entries,
                     std::string* error) {
    return PeFile(file, size).Read(entries, error);
}

}  // namespace standin
