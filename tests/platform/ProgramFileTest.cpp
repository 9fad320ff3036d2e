// Reading resources out of a Windows program file: a well-formed file gives
// exactly its resources, and every kind of damage (cut short anywhere,
// offsets and sizes beyond the file, a directory that loops) is refused
// with a message instead of being read out of bounds.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "standin/PeResources.h"
#include "standin/StandIn.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Resource {
    WORD type;
    WORD id;
    std::string data;
};

void Put16(Bytes* b, size_t at, uint32_t v) {
    if (b->size() < at + 2)
        b->resize(at + 2);
    (*b)[at] = uint8_t(v);
    (*b)[at + 1] = uint8_t(v >> 8);
}
void Put32(Bytes* b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

const uint32_t kSectionRva = 0x1000;
const size_t kSectionOffset = 0x200;
const size_t kPe = 0x40;

// A resource tree (types, names, one language 0x0407 each) as the linker
// lays it out: directories first, then data entries, then the data.
Bytes ResourceTree(const std::vector<Resource>& resources) {
    std::map<WORD, std::vector<const Resource*>> types;
    for (const Resource& r : resources)
        types[r.type].push_back(&r);
    size_t directories = 16 + 8 * types.size();
    for (auto& t : types)
        directories += 16 + 8 * t.second.size() + (16 + 8) * t.second.size();
    size_t dataEntries = directories;
    size_t blobs = dataEntries + 16 * resources.size();

    Bytes tree;
    Put16(&tree, 14, uint32_t(types.size()));
    size_t next = 16 + 8 * types.size();
    size_t entry = dataEntries, blob = blobs, t = 0;
    for (auto& type : types) {
        Put32(&tree, 16 + 8 * t, type.first);
        Put32(&tree, 20 + 8 * t, 0x80000000u | uint32_t(next));
        size_t nameDir = next;
        next += 16 + 8 * type.second.size();
        Put16(&tree, nameDir + 14, uint32_t(type.second.size()));
        for (size_t n = 0; n < type.second.size(); ++n) {
            const Resource* r = type.second[n];
            Put32(&tree, nameDir + 16 + 8 * n, r->id);
            Put32(&tree, nameDir + 20 + 8 * n, 0x80000000u | uint32_t(next));
            Put16(&tree, next + 14, 1);
            Put32(&tree, next + 16, 0x0407);
            Put32(&tree, next + 20, uint32_t(entry));
            next += 24;
            Put32(&tree, entry, kSectionRva + uint32_t(blob));
            Put32(&tree, entry + 4, uint32_t(r->data.size()));
            entry += 16;
            tree.resize(std::max(tree.size(), blob + r->data.size()));
            std::copy(r->data.begin(), r->data.end(), tree.begin() + long(blob));
            blob = (blob + r->data.size() + 3) & ~size_t(3);
        }
        ++t;
    }
    return tree;
}

// A program file with one section, .rsrc, holding `tree`.
Bytes ProgramFile(const Bytes& tree, bool pe32Plus = false) {
    Bytes file(kSectionOffset, 0);
    file[0] = 'M';
    file[1] = 'Z';
    Put32(&file, 0x3C, kPe);
    Put32(&file, kPe, 0x00004550);
    Put16(&file, kPe + 4, pe32Plus ? 0x8664 : 0x14C);
    Put16(&file, kPe + 6, 1);
    uint32_t optionalSize = pe32Plus ? 240 : 224;
    Put16(&file, kPe + 20, optionalSize);
    size_t optional = kPe + 24;
    Put16(&file, optional, pe32Plus ? 0x20B : 0x10B);
    size_t count = optional + (pe32Plus ? 108 : 92);
    Put32(&file, count, 16);
    Put32(&file, count + 4 + 16, kSectionRva);
    Put32(&file, count + 4 + 20, uint32_t(tree.size()));
    size_t section = optional + optionalSize;
    std::memcpy(&file[section], ".rsrc", 5);
    Put32(&file, section + 8, uint32_t(tree.size()));
    Put32(&file, section + 12, kSectionRva);
    Put32(&file, section + 16, uint32_t(tree.size()));
    Put32(&file, section + 20, uint32_t(kSectionOffset));
    file.insert(file.end(), tree.begin(), tree.end());
    return file;
}

const std::vector<Resource> kSample = {
    {10, 4098, "palette"}, {10, 1000, "a picture"}, {3, 1, "icon"}, {10, 9000, "logo strip"}};

bool Read(const Bytes& file, std::vector<standin::ResourceEntry>* entries, std::string* error) {
    return standin::ReadPeResources(file.data(), file.size(), entries, error);
}

std::string Data(const standin::ResourceEntry& e) {
    return std::string(reinterpret_cast<const char*>(e.data), e.size);
}

TEST(ProgramFile, ReadsEveryResourceOfAWellFormedFile) {
    for (bool pe32Plus : {false, true}) {
        Bytes file = ProgramFile(ResourceTree(kSample), pe32Plus);
        std::vector<standin::ResourceEntry> entries;
        std::string error;
        ASSERT_TRUE(Read(file, &entries, &error)) << error;
        ASSERT_EQ(entries.size(), kSample.size());
        std::map<std::pair<int, int>, std::string> got;
        for (const auto& e : entries) {
            EXPECT_EQ(e.language, 0x0407);
            got[{e.type, e.id}] = Data(e);
        }
        for (const Resource& r : kSample)
            EXPECT_EQ(got[std::make_pair(int(r.type), int(r.id))], r.data) << "resource " << r.id;
    }
}

TEST(ProgramFile, RefusesFilesThatAreNotWindowsPrograms) {
    std::vector<standin::ResourceEntry> entries;
    std::string error;
    Bytes text(4096, 'x');
    EXPECT_FALSE(Read(text, &entries, &error));
    EXPECT_NE(error.find("not a Windows program"), std::string::npos) << error;

    Bytes arm = ProgramFile(ResourceTree(kSample));
    Put16(&arm, kPe + 4, 0x1C0);
    EXPECT_FALSE(Read(arm, &entries, &error));
    EXPECT_NE(error.find("machine 0x01c0"), std::string::npos) << error;

    Bytes none = ProgramFile(ResourceTree(kSample));
    Put32(&none, kPe + 24 + 92 + 4 + 16, 0);
    EXPECT_FALSE(Read(none, &entries, &error));
    EXPECT_EQ(error, "the file has no resources");
    EXPECT_TRUE(entries.empty());
}

// Every prefix of a good file is refused or read within its bytes; the
// sanitizer build turns any read past the end into a failure.
TEST(ProgramFile, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
    Bytes file = ProgramFile(ResourceTree(kSample));
    for (size_t size = 0; size < file.size(); ++size) {
        Bytes cut(file.begin(), file.begin() + long(size));
        cut.shrink_to_fit();
        std::vector<standin::ResourceEntry> entries;
        std::string error;
        EXPECT_FALSE(Read(cut, &entries, &error)) << "cut to " << size << " bytes";
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(entries.empty());
    }
}

TEST(ProgramFile, OffsetsAndSizesBeyondTheFileAreRefused) {
    const Bytes good = ProgramFile(ResourceTree(kSample));
    const size_t section = kPe + 24 + 224, tree = kSectionOffset;
    struct Damage {
        const char* what;
        size_t at;
        int width;
        uint32_t value;
    } damages[] = {
        {"PE header offset", 0x3C, 4, 0xFFFFFFF0u},
        {"optional header size", kPe + 20, 2, 0xFFFF},
        {"section count", kPe + 6, 2, 0xFFFF},
        {"section raw offset", section + 20, 4, 0xFFFFFF00u},
        {"resource directory address", kPe + 24 + 96 + 16, 4, 0x7FFFFFF0u},
        {"resource directory size", kPe + 24 + 96 + 20, 4, 0xFFFFFFFFu},
        {"type directory entry count", tree + 14, 2, 0xFFFF},
        {"type directory offset", tree + 20, 4, 0x8FFFFFF0u},
    };
    for (const Damage& d : damages) {
        Bytes bad = good;
        if (d.width == 2)
            Put16(&bad, d.at, d.value);
        else
            Put32(&bad, d.at, d.value);
        std::vector<standin::ResourceEntry> entries;
        std::string error;
        EXPECT_FALSE(Read(bad, &entries, &error)) << d.what;
        EXPECT_FALSE(error.empty()) << d.what;
    }

    // The one data entry (after three directories of one entry each) claims
    // more data than the section holds.
    Bytes one = ResourceTree({{10, 4098, "palette"}});
    Put32(&one, 3 * 24 + 4, 0x10000);
    std::vector<standin::ResourceEntry> entries;
    std::string error;
    EXPECT_FALSE(Read(ProgramFile(one), &entries, &error));
    EXPECT_EQ(error, "resource 4098 of type 10 lies outside the file");
}

TEST(ProgramFile, LoopingOrSharedDirectoriesAreRefused) {
    // The name directory of type 10 points back at the root.
    Bytes tree = ResourceTree({{10, 4098, "palette"}});
    Put32(&tree, 24 + 16 + 4, 0x80000000u);
    std::vector<standin::ResourceEntry> entries;
    std::string error;
    EXPECT_FALSE(Read(ProgramFile(tree), &entries, &error));
    EXPECT_EQ(error, "the resource directory loops back on itself");

    // Two types sharing one name directory.
    Bytes shared = ResourceTree({{3, 1, "a"}, {10, 2, "b"}});
    Put32(&shared, 16 + 8 + 4, 0x80000000u | 32);
    EXPECT_FALSE(Read(ProgramFile(shared), &entries, &error));
    EXPECT_EQ(error, "the resource directory loops back on itself");

    // A language entry that claims to be a directory.
    Bytes deep = ResourceTree({{10, 4098, "palette"}});
    size_t language = 16 + 8 + 16 + 8;
    Put32(&deep, language + 20, 0x80000000u);
    EXPECT_FALSE(Read(ProgramFile(deep), &entries, &error));
    EXPECT_EQ(error, "the resource tree is not three levels deep");
}

class ProgramFileOnDisk : public ::testing::Test {
protected:
    void TearDown() override {
        standin::UseProgramFile(nullptr, nullptr);
        std::remove(path_.c_str());
    }
    std::string Write(const Bytes& bytes) {
        path_ = testing::TempDir() + "avrel-program-file-test.scr";
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path_;
    }
    std::string path_;
};

std::string Lookup(WORD id) {
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(id), RT_RCDATA);
    if (found == NULL)
        return "(none)";
    const char* data = static_cast<const char*>(LockResource(LoadResource(NULL, found)));
    return std::string(data, SizeofResource(NULL, found));
}

TEST_F(ProgramFileOnDisk, ResourceCallsServeTheChosenFileUntilSwitchedBack) {
    std::string built = Lookup(4098);
    ASSERT_NE(built, "(none)");
    std::string error;
    ASSERT_TRUE(standin::UseProgramFile(Write(ProgramFile(ResourceTree(kSample))).c_str(), &error))
        << error;
    EXPECT_EQ(Lookup(4098), "palette");
    EXPECT_EQ(Lookup(9000), "logo strip");
    EXPECT_EQ(Lookup(4099), "(none)");

    // A bad file leaves the resources in use as they were.
    EXPECT_FALSE(standin::UseProgramFile(Write(Bytes(100, 0)).c_str(), &error));
    EXPECT_EQ(Lookup(4098), "palette");
    EXPECT_FALSE(standin::UseProgramFile("/nonexistent/Avrel.scr", &error));
    EXPECT_EQ(error, "no such file");
    EXPECT_FALSE(standin::UseProgramFile(testing::TempDir().c_str(), &error));
    EXPECT_EQ(error, "not a regular file");

    standin::UseProgramFile(nullptr, nullptr);
    EXPECT_EQ(Lookup(4098), built);
}

}  // namespace
