// Program files written without a linker: the shipped programs rewritten
// with their own resources read back identical, a larger resource set moves
// the relocations, the tree is in the order Windows searches it, appended
// data survives, a certificate entry goes, programs laid out otherwise get a
// new section, and damaged base files are refused with a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "PeHeaders.h"
#include "maker/ProgramFile.h"
#include "maker/ResourceTree.h"

namespace {

using Bytes = std::vector<unsigned char>;
using maker::ResourceItem;
using standin::PeDword;

void Set16(Bytes* b, size_t at, uint32_t v) {
    standin::PePutWord(b->data() + at, v);
}
void Set32(Bytes* b, size_t at, uint32_t v) {
    standin::PePutDword(b->data() + at, v);
}

ResourceItem Item(std::u16string type, WORD typeId, std::u16string name, WORD nameId, WORD language,
                  std::string data, DWORD codePage = 0) {
    ResourceItem item;
    item.type = {typeId, type};
    item.name = {nameId, name};
    item.language = language;
    item.codePage = codePage;
    item.data.assign(data.begin(), data.end());
    return item;
}

std::string Key(const ResourceItem& item) {
    auto name = [](const maker::ResourceName& n) {
        return n.text.empty() ? std::to_string(n.id) : standin::DescribePeResourceName(n);
    };
    return name(item.type) + "/" + name(item.name) + "/" + std::to_string(item.language);
}

void ExpectSameItems(const std::vector<ResourceItem>& got, const std::vector<ResourceItem>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(Key(got[i]), Key(want[i])) << "item " << i;
        EXPECT_EQ(got[i].codePage, want[i].codePage) << Key(want[i]);
        EXPECT_TRUE(got[i].data == want[i].data) << Key(want[i]);
    }
}

struct Shape {
    bool pe32Plus = false;
    bool relocations = true;  // a discardable .reloc after .rsrc, as mingw links
    bool dataAfter = false;   // a .data after .rsrc, which cannot move
    bool crowded = false;     // no room in the headers for another section entry
};

// A small program laid out as a linker would: .text, .rsrc holding
// `items`, then the sections the shape asks for; headers 0x400 bytes.
Bytes SmallProgram(const std::vector<ResourceItem>& items, const Shape& shape) {
    struct Part {
        const char* name;
        uint32_t characteristics;
        Bytes data;
        int directory;
    };
    Bytes tree;
    std::string why;
    EXPECT_TRUE(maker::BuildResourceTree(items, 0x2000, &tree, &why)) << why;
    std::vector<Part> parts = {{".text", 0x60000020u, Bytes(0x20, 0xC3), -1},
                               {".rsrc", 0x40000040u, tree, 2}};
    if (shape.relocations) {
        // One block for the page at 0x1000 with two fixups.
        Bytes block(12, 0);
        Set32(&block, 0, 0x1000);
        Set32(&block, 4, 12);
        Set16(&block, 8, (shape.pe32Plus ? 0xA000 : 0x3000) | 0x10);
        parts.push_back({".reloc", 0x42000040u, block, 5});
    }
    if (shape.dataAfter)
        parts.push_back({".data", 0xC0000040u, Bytes(0x30, 0x5A), -1});
    uint32_t optionalSize = shape.pe32Plus ? 240 : 224;
    size_t pe = shape.crowded ? 0x400 - (24 + optionalSize + 40 * parts.size()) : 0x40;
    Bytes file(0x400, 0);
    file[0] = 'M';
    file[1] = 'Z';
    Set32(&file, 0x3C, uint32_t(pe));
    Set32(&file, pe, 0x4550);
    Set16(&file, pe + 4, shape.pe32Plus ? 0x8664 : 0x14C);
    Set16(&file, pe + 6, uint32_t(parts.size()));
    Set16(&file, pe + 20, optionalSize);
    size_t optional = pe + 24;
    Set16(&file, optional, shape.pe32Plus ? 0x20B : 0x10B);
    Set32(&file, optional + 16, 0x1000);
    Set32(&file, optional + 32, 0x1000);
    Set32(&file, optional + 36, 0x200);
    Set32(&file, optional + 60, 0x400);
    size_t directories = optional + (shape.pe32Plus ? 112 : 96);
    Set32(&file, directories - 4, 16);
    uint32_t rva = 0x1000, initialized = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        const Part& part = parts[i];
        size_t header = optional + optionalSize + 40 * i;
        uint32_t raw = uint32_t((part.data.size() + 0x1FF) & ~size_t(0x1FF));
        std::memcpy(&file[header], part.name, std::strlen(part.name));
        Set32(&file, header + 8, uint32_t(part.data.size()));
        Set32(&file, header + 12, rva);
        Set32(&file, header + 16, raw);
        Set32(&file, header + 20, uint32_t(file.size()));
        Set32(&file, header + 36, part.characteristics);
        if (part.directory >= 0) {
            Set32(&file, directories + 8 * size_t(part.directory), rva);
            Set32(&file, directories + 8 * size_t(part.directory) + 4, uint32_t(part.data.size()));
        }
        initialized += (part.characteristics & 0x40) != 0 ? raw : 0;
        file.insert(file.end(), part.data.begin(), part.data.end());
        file.resize(file.size() + raw - part.data.size(), 0);
        rva += uint32_t((part.data.size() + 0xFFF) & ~size_t(0xFFF));
    }
    Set32(&file, optional + 8, initialized);
    Set32(&file, optional + 56, rva);
    return file;
}

const std::vector<ResourceItem> kSmallSet = {Item(u"", 10, u"", 1000, 0x409, "a picture"),
                                             Item(u"", 3, u"", 1, 0x409, "an icon", 1252)};

std::vector<ResourceItem> WithBigItem(std::vector<ResourceItem> items, size_t size) {
    items.push_back(Item(u"", 10, u"", 7000, 0x409, std::string(size, 'x')));
    return items;
}

struct Written {
    Bytes bytes;
    standin::PeHeaders headers;
    uint32_t Field(size_t at) const { return PeDword(bytes.data() + at); }
    uint32_t Directory(int d) const { return Field(headers.directories + 8 * size_t(d)); }
    const standin::PeSection* Section(const char* name) const {
        for (const standin::PeSection& s : headers.sections) {
            if (std::strncmp(reinterpret_cast<const char*>(&bytes[s.header]), name, 8) == 0)
                return &s;
        }
        return nullptr;
    }
};

// `base` rewritten with `items`; the rewrite is read back and compared.
Written Rewrite(const Bytes& base, const std::vector<ResourceItem>& items) {
    Written w;
    std::string why;
    EXPECT_TRUE(maker::WriteProgramFile(base.data(), base.size(), items, &w.bytes, &why)) << why;
    EXPECT_TRUE(standin::ReadPeHeaders(w.bytes.data(), w.bytes.size(), &w.headers, &why)) << why;
    std::vector<ResourceItem> back;
    EXPECT_TRUE(maker::ReadResourceItems(w.bytes.data(), w.bytes.size(), &back, &why)) << why;
    // The reader keeps the tree's order: the writer's sorted order.
    std::vector<ResourceItem> sorted = items;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        int type = maker::CompareResourceNames(a.type, b.type);
        int name = maker::CompareResourceNames(a.name, b.name);
        return type != 0 ? type < 0 : name != 0 ? name < 0 : a.language < b.language;
    });
    ExpectSameItems(back, sorted);
    return w;
}

// The programs of the Windows builds this tree is wired to.
std::vector<std::string> ShippedPrograms() {
    std::vector<std::string> found;
    for (const char* path : {AVREL_WINDOWS_PROGRAM, AVREL_WINDOWS64_PROGRAM}) {
        if (std::ifstream(path).good())
            found.push_back(path);
    }
    return found;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Sections, sizes, relocations and checksum of these rewrites are judged
// independently by program_file_check.py with python3-pefile.
TEST(ProgramFileWriter, ShippedProgramsKeepTheirResourcesAndMoveTheirRelocations) {
    std::vector<std::string> programs = ShippedPrograms();
    if (programs.empty())
        GTEST_SKIP() << "no Windows build at " << AVREL_WINDOWS_PROGRAM << " or "
                     << AVREL_WINDOWS64_PROGRAM << " (make windows64)";
    for (const std::string& path : programs) {
        SCOPED_TRACE(path);
        Bytes base = ReadFile(path);
        std::vector<ResourceItem> items;
        std::string why;
        ASSERT_TRUE(maker::ReadResourceItems(base.data(), base.size(), &items, &why)) << why;
        ASSERT_GT(items.size(), 50u);

        Written same = Rewrite(base, items);
        EXPECT_TRUE(Rewrite(same.bytes, items).bytes == same.bytes) << "a second rewrite differs";
        Written big = Rewrite(base, WithBigItem(items, 3 << 20));
        const standin::PeSection *rsrc = big.Section(".rsrc"), *reloc = big.Section(".reloc");
        ASSERT_TRUE(rsrc != nullptr && reloc != nullptr);
        EXPECT_EQ(reloc->address, (rsrc->address + rsrc->virtualSize + 0xFFF) & ~0xFFFu);
        EXPECT_EQ(big.Directory(5), reloc->address);
        EXPECT_EQ(big.bytes.size(), reloc->rawOffset + reloc->rawSize);
    }
}

TEST(ProgramFileWriter, TheTreeIsInTheOrderWindowsSearchesIt) {
    // Upper-cased, "_" (0x5F) sorts after the letters; lower-cased it would not.
    std::vector<ResourceItem> items = {
        Item(u"", 24, u"", 1, 0x409, "manifest"),     Item(u"_x", 0, u"", 5, 0, "underscore"),
        Item(u"", 10, u"", 1001, 0x409, "b"),         Item(u"", 10, u"beta", 0, 0x409, "beta"),
        Item(u"zeta", 0, u"", 5, 0, "zeta", 65001),   Item(u"", 10, u"", 7, 0x409, "seven us"),
        Item(u"", 10, u"", 7, 0x407, "seven de"),     Item(u"", 10, u"", 7, 0, "seven neutral"),
        Item(u"", 10, u"Alpha2", 0, 0x409, "alpha2"), Item(u"", 10, u"ALPHA", 0, 0x409, "alpha"),
        Item(u"", 3, u"", 1, 0x409, "icon"),          Item(u"Alpha", 0, u"", 5, 0, "alpha type"),
    };
    for (bool pe32Plus : {false, true}) {
        Written w = Rewrite(SmallProgram(kSmallSet, {pe32Plus}), items);
        std::vector<ResourceItem> back;
        std::string why;
        ASSERT_TRUE(maker::ReadResourceItems(w.bytes.data(), w.bytes.size(), &back, &why));
        std::vector<std::string> order;
        for (const ResourceItem& item : back)
            order.push_back(Key(item));
        EXPECT_EQ(order, std::vector<std::string>(
                             {"\"Alpha\"/5/0", "\"zeta\"/5/0", "\"_x\"/5/0", "3/1/1033",
                              "10/\"ALPHA\"/1033", "10/\"Alpha2\"/1033", "10/\"beta\"/1033",
                              "10/7/0", "10/7/1031", "10/7/1033", "10/1001/1033", "24/1/1033"}));
        // The root counts its named and numbered entries apart.
        size_t root = 0;
        ASSERT_TRUE(w.headers.FileOffset(w.Directory(2), 16, w.bytes.size(), &root));
        EXPECT_EQ(PeDword(&w.bytes[root + 12]), 3u | 3u << 16);
    }

    std::vector<ResourceItem> twice = {Item(u"", 10, u"alpha", 0, 0, "a"),
                                       Item(u"", 10, u"ALPHA", 0, 0, "b")};
    Bytes out;
    std::string why;
    Bytes base = SmallProgram(kSmallSet, {});
    EXPECT_FALSE(maker::WriteProgramFile(base.data(), base.size(), twice, &out, &why));
    EXPECT_EQ(why, "two resources share type 10, name \"ALPHA\" and language 0");
    EXPECT_TRUE(out.empty());
}

TEST(ProgramFileWriter, AppendedDataSurvivesWithWhatPointsAtItAndTheCertificateEntryGoes) {
    Bytes base = SmallProgram(kSmallSet, {});
    size_t overlay = base.size();
    for (int i = 0; i < 300; ++i)
        base.push_back(uint8_t(i * 13));
    size_t pe = 0x40, directories = pe + 24 + 96;
    Set32(&base, directories + 8 * 4, uint32_t(overlay));  // a file offset
    Set32(&base, directories + 8 * 4 + 4, 300);
    Set32(&base, pe + 4 + 8, uint32_t(overlay + 100));  // COFF symbols in the overlay
    // A debug directory in .text whose one entry's data lies in the overlay.
    Set32(&base, directories + 8 * 6, 0x1000);
    Set32(&base, directories + 8 * 6 + 4, 28);
    Set32(&base, 0x400 + 24, uint32_t(overlay + 150));

    Written w = Rewrite(base, WithBigItem(kSmallSet, 5000));
    ASSERT_GT(w.bytes.size(), base.size());
    EXPECT_TRUE(std::equal(base.begin() + long(overlay), base.end(), w.bytes.end() - 300));
    EXPECT_EQ(w.Directory(4), 0u);
    EXPECT_EQ(w.Field(w.headers.directories + 8 * 4 + 4), 0u);
    EXPECT_EQ(w.Field(pe + 4 + 8), w.bytes.size() - 200);
    EXPECT_EQ(w.Field(0x400 + 24), w.bytes.size() - 150);
}

TEST(ProgramFileWriter, ProgramsWithoutRelocationsOrWithImmovableSectionsAreHandled) {
    // Resources last: they grow where they are.
    Shape bare;
    bare.relocations = false;
    Written grown = Rewrite(SmallProgram(kSmallSet, bare), WithBigItem(kSmallSet, 70000));
    EXPECT_EQ(grown.headers.sections.size(), 2u);
    EXPECT_EQ(grown.Directory(5), 0u);
    EXPECT_EQ(grown.Field(grown.headers.optional + 56), 0x2000u + 0x12000u);

    // A section that cannot move after the resources: a new last section
    // takes them, and the old one stays as it was.
    Shape stuck;
    stuck.dataAfter = true;
    for (bool pe32Plus : {false, true}) {
        stuck.pe32Plus = pe32Plus;
        Bytes base = SmallProgram(kSmallSet, stuck);
        Written w = Rewrite(base, WithBigItem(kSmallSet, 5000));
        ASSERT_EQ(w.headers.sections.size(), 5u);
        const standin::PeSection& added = w.headers.sections[4];
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&w.bytes[added.header])), ".rsrc");
        EXPECT_EQ(added.address, 0x5000u);
        EXPECT_EQ(added.rawOffset, base.size());
        EXPECT_EQ(w.Directory(2), 0x5000u);
        EXPECT_EQ(w.Directory(5), 0x3000u);
        EXPECT_TRUE(std::equal(base.begin() + 0x400, base.end(), w.bytes.begin() + 0x400));
        // Rewritten again, the new section is the last and is replaced where it is.
        EXPECT_TRUE(Rewrite(w.bytes, kSmallSet).bytes.size() < w.bytes.size());

        stuck.crowded = true;
        Bytes crowded = SmallProgram(kSmallSet, stuck);
        Bytes out;
        std::string why;
        EXPECT_FALSE(
            maker::WriteProgramFile(crowded.data(), crowded.size(), kSmallSet, &out, &why));
        EXPECT_EQ(why, "no room in the program's headers for another section");
        stuck.crowded = false;
    }
}

TEST(ProgramFileWriter, DamagedBaseFilesAreRefusedWithAMessage) {
    auto refused = [](const Bytes& base, const char* what) {
        Bytes out = {1};
        std::string why;
        EXPECT_FALSE(maker::WriteProgramFile(base.data(), base.size(), kSmallSet, &out, &why))
            << what;
        EXPECT_FALSE(why.empty()) << what;
        EXPECT_TRUE(out.empty()) << what;
        return why;
    };
    EXPECT_EQ(refused(Bytes(5000, 'x'), "text"), "not a Windows program file (no MZ header)");
    const Bytes good = SmallProgram(kSmallSet, {});
    for (size_t size = 0; size < good.size(); size += 7)
        refused(Bytes(good.begin(), good.begin() + long(size)), "cut short");

    const size_t optional = 0x40 + 24, sections = optional + 224;
    struct Damage {
        const char* what;
        size_t at;
        uint32_t value;
        const char* message;
    } damages[] = {
        {"section alignment 0", optional + 32, 0, "the program's section alignments are damaged"},
        {"file alignment 3", optional + 36, 3, "the program's section alignments are damaged"},
        {"file alignment beyond section alignment", optional + 36, 0x2000,
         "the program's section alignments are damaged"},
        {".rsrc overlapping .text", sections + 40 + 12, 0x1000,
         "the program's sections overlap or are out of order"},
        {".rsrc data beyond the file", sections + 40 + 20, 0xFFFFFE00u,
         "a section's data lies beyond the end of the file"},
        {".text data in the headers", sections + 20, 0x100,
         "a section's data overlaps the program's headers"},
        {".reloc at the top of the address space", sections + 80 + 12, 0xFFFFF000u,
         "the program's sections lie beyond its 4 GB address space"},
    };
    for (const Damage& d : damages) {
        Bytes bad = good;
        Set32(&bad, d.at, d.value);
        EXPECT_EQ(refused(bad, d.what), d.message) << d.what;
    }
}

}  // namespace
