// A program file with its resources replaced, as a linker would have laid
// it out.
//
// The new resource section takes the old one's place when everything after
// it can move: mingw links .rsrc just before .reloc, and a larger tree
// pushes .reloc further on. Only discardable sections (relocations, debug
// information) move: no code refers to them, the loader finds relocations
// through their data-directory entry, which is mended, and nothing else may
// point past the resources. Any other program gets its resources in a new
// last section, with the old one left unused, which needs room for one more
// entry in the section table. Either way the sections stay packed in order,
// as Windows requires, and file bytes after the resources (later sections,
// data appended to the file) follow it unchanged.
#include "maker/ProgramFile.h"

#include <algorithm>
#include <cstdint>

#include "PeHeaders.h"
#include "maker/ResourceTree.h"

namespace maker {
namespace {

using standin::PeDword;
using standin::PePutDword;
using standin::PePutWord;
using standin::PeSection;

const uint32_t kResourceDirectory = 2;
const uint32_t kCertificateDirectory = 4;
const uint32_t kRelocationDirectory = 5;
const uint32_t kDebugDirectory = 6;
const uint32_t kInitializedData = 0x00000040u;
const uint32_t kDiscardable = 0x02000000u;
const uint32_t kNewSectionCharacteristics = 0x40000040u;  // initialized, readable

// Fields of the file header and the optional header (the same offsets in
// PE32 and PE32+).
const size_t kSectionCount = 2;
const size_t kSymbolTable = 8;
const size_t kSizeOfInitializedData = 8;
const size_t kEntryPoint = 16;
const size_t kSectionAlignment = 32;
const size_t kFileAlignment = 36;
const size_t kSizeOfImage = 56;
const size_t kSizeOfHeaders = 60;
const size_t kCheckSum = 64;

uint64_t AlignUp(uint64_t n, uint32_t alignment) {
    return (n + alignment - 1) & ~uint64_t(alignment - 1);
}

bool PowerOfTwo(uint32_t n) {
    return n != 0 && (n & (n - 1)) == 0;
}

// The bytes a section takes in memory; the loader maps the stored bytes
// when the virtual size is 0.
uint32_t Extent(const PeSection& s) {
    return s.virtualSize != 0 ? s.virtualSize : s.rawSize;
}

// The PE checksum: the file's 16-bit words summed with end-around carry,
// with the checksum field itself counted as 0, plus the file's length.
uint32_t Checksum(const std::vector<unsigned char>& file) {
    uint64_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        sum += file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return uint32_t(((sum & 0xFFFF) + (sum >> 16)) + file.size());
}

class ProgramWriter {
public:
    ProgramWriter(const unsigned char* base, size_t size, std::string* why)
        : base_(base), size_(size), why_(why) {}

    bool Write(const std::vector<ResourceItem>& items, std::vector<unsigned char>* out) {
        if (!standin::ReadPeHeaders(base_, size_, &headers_, why_) || !CheckLayout() || !Place())
            return false;
        std::vector<unsigned char> tree;
        if (!BuildResourceTree(items, address_, &tree, why_))
            return false;
        uint64_t raw = AlignUp(tree.size(), fileAlignment_);
        // The sections after the resources move by whole pages and file blocks.
        uint64_t resourcesEnd = AlignUp(uint64_t(address_) + tree.size(), sectionAlignment_);
        virtualShift_ = int64_t(resourcesEnd) - int64_t(oldEnd_);
        fileShift_ = int64_t(start_ + raw) - int64_t(resume_);
        if (int64_t(imageEnd_) + virtualShift_ > 0xFFFFFFFF ||
            int64_t(size_) + fileShift_ > 0xFFFFFFFF)
            return Fail("the resources are too large for a program file");

        out->assign(base_, base_ + cut_);
        out->resize(size_t(start_), 0);
        out->insert(out->end(), tree.begin(), tree.end());
        out->resize(size_t(start_ + raw), 0);
        out->insert(out->end(), base_ + resume_, base_ + size_);
        MendHeaders(out, uint32_t(tree.size()), uint32_t(raw));
        return true;
    }

private:
    bool Fail(const std::string& what) {
        *why_ = what;
        return false;
    }

    uint32_t Field(size_t offset) const { return PeDword(base_ + offset); }

    // Refuses what a loader would refuse and what the rewrite could not
    // keep: alignments that are not powers of two, sections out of order or
    // overlapping, section data beyond the end of the file.
    bool CheckLayout() {
        size_t optional = headers_.optional;
        sectionAlignment_ = Field(optional + kSectionAlignment);
        fileAlignment_ = Field(optional + kFileAlignment);
        if (!PowerOfTwo(sectionAlignment_) || !PowerOfTwo(fileAlignment_) ||
            fileAlignment_ > sectionAlignment_)
            return Fail("the program's section alignments are damaged");
        uint64_t tableEnd =
            headers_.optional + headers_.optionalSize + 40 * uint64_t(headers_.sections.size());
        uint64_t next = AlignUp(Field(optional + kSizeOfHeaders), sectionAlignment_);
        for (const PeSection& s : headers_.sections) {
            if (s.address < next)
                return Fail("the program's sections overlap or are out of order");
            next = SpanEnd(s);
            if (s.rawSize != 0 && uint64_t(s.rawOffset) + s.rawSize > size_)
                return Fail("a section's data lies beyond the end of the file");
            // Every header this writer mends lies before all section data.
            if (s.rawSize != 0 && s.rawOffset < tableEnd)
                return Fail("a section's data overlaps the program's headers");
        }
        if (next > 0xFFFFFFFFu)
            return Fail("the program's sections lie beyond its 4 GB address space");
        imageEnd_ = next;
        return true;
    }

    // Where the next section may begin. Stored bytes beyond the virtual
    // size count: otherwise they would stand for the next section's
    // addresses.
    uint64_t SpanEnd(const PeSection& s) const {
        return AlignUp(uint64_t(s.address) + std::max(Extent(s), s.rawSize), sectionAlignment_);
    }

    uint32_t DirectoryRva(uint32_t index) const {
        return index < headers_.directoryCount ? Field(headers_.directories + 8 * index) : 0;
    }

    // Chooses where the resources go: address_, and the file bytes kept
    // before them (cut_), where they start (start_) and where the bytes
    // that follow them begin in the base (resume_).
    bool Place() {
        const std::vector<PeSection>& sections = headers_.sections;
        uint32_t resources = DirectoryRva(kResourceDirectory);
        for (size_t i = 0; i < sections.size(); ++i) {
            if (resources != 0 && sections[i].address == resources && CanMoveAfter(i)) {
                const PeSection& s = sections[i];
                section_ = i;
                address_ = s.address;
                cut_ = start_ = s.rawOffset;
                resume_ = uint64_t(s.rawOffset) + s.rawSize;
                oldRaw_ = s.rawSize;
                oldEnd_ = SpanEnd(s);
                initializedData_ = (s.characteristics & kInitializedData) != 0;
                return true;
            }
        }
        // A new last section, after all the others in memory and in the file.
        section_ = sections.size();
        size_t table = headers_.optional + headers_.optionalSize;
        uint64_t tableEnd = table + 40 * uint64_t(sections.size() + 1);
        uint64_t firstData = Field(headers_.optional + kSizeOfHeaders);
        uint64_t fileEnd = firstData;
        for (const PeSection& s : sections) {
            if (s.rawSize != 0) {
                firstData = std::min<uint64_t>(firstData, s.rawOffset);
                fileEnd = std::max<uint64_t>(fileEnd, uint64_t(s.rawOffset) + s.rawSize);
            }
        }
        if (tableEnd > firstData || sections.size() >= 0xFFFF)
            return Fail("no room in the program's headers for another section");
        if (fileEnd > size_)
            return Fail("the program's headers run past the end of the file");
        address_ = uint32_t(imageEnd_);
        cut_ = resume_ = fileEnd;
        start_ = AlignUp(fileEnd, fileAlignment_);
        oldEnd_ = imageEnd_;
        initializedData_ = true;
        return true;
    }

    // True when section `r` (the resources) can be replaced where it is
    // and the sections after it may move: those are discardable, the data
    // of the sections before it lies before its data in the file and the
    // data of those after it after, and no data directory but the
    // relocations and no entry point points at or past the resources.
    bool CanMoveAfter(size_t r) const {
        const std::vector<PeSection>& sections = headers_.sections;
        const PeSection& resources = sections[r];
        if (resources.rawSize == 0)
            return false;
        uint64_t resourcesEnd = uint64_t(resources.rawOffset) + resources.rawSize;
        for (size_t i = 0; i < sections.size(); ++i) {
            const PeSection& s = sections[i];
            bool before = uint64_t(s.rawOffset) + s.rawSize <= resources.rawOffset;
            bool after = s.rawOffset >= resourcesEnd;
            if (i != r && s.rawSize != 0 && !(i < r ? before : after))
                return false;
            if (i > r && (s.characteristics & kDiscardable) == 0)
                return false;
        }
        for (uint32_t d = 0; d < headers_.directoryCount; ++d) {
            uint32_t rva = DirectoryRva(d);
            bool allowed = d == kResourceDirectory || d == kCertificateDirectory ||
                           (d == kRelocationDirectory && r + 1 < sections.size() &&
                            rva >= sections[r + 1].address);
            if (!allowed && InImage(rva, resources.address))
                return false;
        }
        return !InImage(Field(headers_.optional + kEntryPoint), resources.address);
    }

    // Addresses and offsets beyond the image or the file point at nothing;
    // they stay as they are.
    bool InImage(uint32_t rva, uint64_t from) const { return rva >= from && rva < imageEnd_; }
    uint32_t ShiftRva(uint32_t rva) const {
        return InImage(rva, oldEnd_) ? uint32_t(int64_t(rva) + virtualShift_) : rva;
    }
    uint32_t ShiftOffset(uint32_t offset) const {
        return offset >= resume_ && offset <= size_ ? uint32_t(int64_t(offset) + fileShift_)
                                                    : offset;
    }

    void MendHeaders(std::vector<unsigned char>* out, uint32_t treeSize, uint32_t raw) {
        unsigned char* to = out->data();
        size_t optional = headers_.optional;
        std::vector<PeSection> sections = headers_.sections;
        if (section_ == sections.size()) {
            size_t header = optional + headers_.optionalSize + 40 * sections.size();
            std::fill(to + header, to + header + 40, 0);
            std::copy_n(".rsrc", 5, to + header);
            PePutDword(to + header + 36, kNewSectionCharacteristics);
            PePutWord(to + headers_.fileHeader + kSectionCount, uint32_t(sections.size() + 1));
            sections.push_back({header, 0, 0, 0, 0, kNewSectionCharacteristics});
        }
        sections[section_].virtualSize = treeSize;
        sections[section_].address = address_;
        sections[section_].rawSize = raw;
        sections[section_].rawOffset = uint32_t(start_);
        for (size_t i = section_ + 1; i < sections.size(); ++i) {
            sections[i].address = ShiftRva(sections[i].address);
            if (sections[i].rawSize != 0)
                sections[i].rawOffset = ShiftOffset(sections[i].rawOffset);
        }
        uint64_t imageEnd = 0;
        for (const PeSection& s : sections) {
            PePutDword(to + s.header + 8, s.virtualSize);
            PePutDword(to + s.header + 12, s.address);
            PePutDword(to + s.header + 16, s.rawSize);
            PePutDword(to + s.header + 20, s.rawOffset);
            imageEnd = AlignUp(uint64_t(s.address) + Extent(s), sectionAlignment_);
        }
        PePutDword(to + optional + kSizeOfImage, uint32_t(imageEnd));
        if (initializedData_)
            PePutDword(to + optional + kSizeOfInitializedData,
                       Field(optional + kSizeOfInitializedData) + raw - oldRaw_);

        for (uint32_t d = 0; d < headers_.directoryCount; ++d) {
            size_t entry = headers_.directories + 8 * d;
            if (d == kResourceDirectory) {
                PePutDword(to + entry, address_);
                PePutDword(to + entry + 4, treeSize);
            } else if (d == kCertificateDirectory) {
                // A file offset, not an RVA, and the signature is void now.
                PePutDword(to + entry, 0);
                PePutDword(to + entry + 4, 0);
            } else if (Field(entry) != 0) {
                PePutDword(to + entry, ShiftRva(Field(entry)));
            }
        }
        MendDebugEntries(to);
        // The COFF symbol table, where kept, follows the sections in the file.
        size_t symbols = headers_.fileHeader + kSymbolTable;
        if (Field(symbols) != 0)
            PePutDword(to + symbols, ShiftOffset(Field(symbols)));
        PePutDword(to + optional + kCheckSum, 0);
        PePutDword(to + optional + kCheckSum, Checksum(*out));
    }

    // Debug directory entries (28 bytes each) locate their data by RVA and
    // by file offset; data beyond the resources moves with the rest.
    void MendDebugEntries(unsigned char* to) const {
        if (kDebugDirectory >= headers_.directoryCount)
            return;
        size_t entry = headers_.directories + 8 * kDebugDirectory;
        size_t at = 0;
        uint32_t size = Field(entry + 4);
        if (Field(entry) == 0 || !headers_.FileOffset(Field(entry), size, size_, &at) ||
            at + size > cut_)
            return;
        for (size_t e = at; e + 28 <= at + size; e += 28) {
            if (Field(e + 20) != 0)
                PePutDword(to + e + 20, ShiftRva(Field(e + 20)));
            if (Field(e + 24) != 0)
                PePutDword(to + e + 24, ShiftOffset(Field(e + 24)));
        }
    }

    const unsigned char* base_;
    size_t size_;
    std::string* why_;
    standin::PeHeaders headers_;
    uint32_t sectionAlignment_ = 0;
    uint32_t fileAlignment_ = 0;
    size_t section_ = 0;  // index of the resource section; the count for a new one
    uint32_t address_ = 0;
    uint64_t cut_ = 0, start_ = 0, resume_ = 0;
    uint32_t oldRaw_ = 0;
    uint64_t oldEnd_ = 0;    // RVAs from here on move by virtualShift_
    uint64_t imageEnd_ = 0;  // the end of the base's last section in memory
    bool initializedData_ = false;
    int64_t virtualShift_ = 0;
    int64_t fileShift_ = 0;  // file offsets from resume_ on move by this
};

}  // namespace

bool ReadResourceItems(const unsigned char* file, size_t size, std::vector<ResourceItem>* items,
                       std::string* why) {
    items->clear();
    std::vector<standin::PeResource> resources;
    if (!standin::ReadPeResourceTree(file, size, &resources, why))
        return false;
    for (const standin::PeResource& r : resources)
        items->push_back({r.type, r.name, r.language, r.codePage,
                          std::vector<unsigned char>(r.data, r.data + r.size)});
    return true;
}

bool WriteProgramFile(const unsigned char* base, size_t size,
                      const std::vector<ResourceItem>& items, std::vector<unsigned char>* out,
                      std::string* why) {
    out->clear();
    std::vector<unsigned char> written;
    if (!ProgramWriter(base, size, why).Write(items, &written))
        return false;
    *out = std::move(written);
    return true;
}

}  // namespace maker
