// The resource table of a PE program file, read with every offset checked.
//
// The optional header's data directory 2 gives the resource tree's address
// (an RVA). The tree has three levels of directories (type, name,
// language); offsets inside it count from its root. An entry's name is an
// ordinal, or (top bit set) the offset of a counted UTF-16 string; a leaf is
// a data entry whose data is again an RVA.
#include "PeResources.h"

#include <cstdint>
#include <set>

#include "PeHeaders.h"

namespace standin {
namespace {

const uint32_t kResourceDirectory = 2;
const uint32_t kSubdirectory = 0x80000000u;
const uint32_t kStringName = 0x80000000u;
// Far beyond any real program and small enough that a file made of nothing
// but directory entries is still read quickly.
const size_t kMaxResources = 65536;
// Name characters copied while walking, counted wherever a name is handed
// down: a file that hangs one long name over many entries is refused
// before it costs more than some tens of megabytes.
const size_t kMaxNameWork = size_t(1) << 24;

class TreeReader {
public:
    TreeReader(const unsigned char* file, size_t size) : file_(file), size_(size) {}

    bool Read(std::vector<PeResource>* resources, std::string* error) {
        resources_ = resources;
        error_ = error;
        resources_->clear();
        PeHeaders headers;
        if (!ReadPeHeaders(file_, size_, &headers, error))
            return false;
        headers_ = &headers;
        if (headers.directoryCount <= kResourceDirectory)
            return Fail("the file has no resources");
        const unsigned char* entry = file_ + headers.directories + 8 * kResourceDirectory;
        uint32_t rootRva = PeDword(entry), rootSize = PeDword(entry + 4);
        if (rootRva == 0 || rootSize == 0)
            return Fail("the file has no resources");
        if (!headers.FileOffset(rootRva, rootSize, size_, &root_))
            return Fail("the resource directory lies outside the file's sections");
        treeSize_ = rootSize;
        return ReadDirectory(0, 0, PeResource{});
    }

private:
    bool Fail(const std::string& what) {
        *error_ = what;
        resources_->clear();
        return false;
    }

    // Directory at `offset` in the tree; level 0 types, 1 names, 2 languages.
    bool ReadDirectory(uint32_t offset, int level, PeResource resource) {
        if (!Spend(resource))
            return false;
        if (!visited_.insert(offset).second)
            return Fail("the resource directory loops back on itself");
        if (uint64_t(offset) + 16 > treeSize_)
            return Fail("a resource directory lies outside the resource section");
        const unsigned char* at = file_ + root_ + offset;
        uint32_t count = uint32_t(PeWord(at + 12)) + PeWord(at + 14);
        if (uint64_t(offset) + 16 + 8 * uint64_t(count) > treeSize_)
            return Fail("a resource directory's entries run past the resource section");
        for (uint32_t i = 0; i < count; ++i) {
            const unsigned char* item = at + 16 + 8 * size_t(i);
            uint32_t name = PeDword(item);
            uint32_t target = PeDword(item + 4);
            bool subdirectory = (target & kSubdirectory) != 0;
            target &= ~kSubdirectory;
            if (subdirectory != (level < 2))
                return Fail("the resource tree is not three levels deep");
            PeResourceName read;
            if ((name & kStringName) != 0 && level < 2) {
                if (!ReadString(name & ~kStringName, &read.text))
                    return false;
            } else {
                read.id = WORD(name & 0xFFFF);
            }
            if (level == 0)
                resource.type = read;
            else if (level == 1)
                resource.name = read;
            else
                resource.language = read.id;
            bool good =
                level < 2 ? ReadDirectory(target, level + 1, resource) : ReadData(target, resource);
            if (!good)
                return false;
        }
        return true;
    }

    bool Spend(const PeResource& resource) {
        nameWork_ += 1 + resource.type.text.size() + resource.name.text.size();
        return nameWork_ <= kMaxNameWork || Fail("the resource names are too long");
    }

    // A counted UTF-16 string at `offset` in the tree.
    bool ReadString(uint32_t offset, std::u16string* text) {
        if (uint64_t(offset) + 2 > treeSize_)
            return Fail("a resource name lies outside the resource section");
        const unsigned char* at = file_ + root_ + offset;
        uint32_t length = PeWord(at);
        if (length == 0)
            return Fail("a resource name is empty");
        if (uint64_t(offset) + 2 + 2 * uint64_t(length) > treeSize_)
            return Fail("a resource name runs past the resource section");
        text->resize(length);
        for (uint32_t i = 0; i < length; ++i)
            (*text)[i] = char16_t(PeWord(at + 2 + 2 * size_t(i)));
        return true;
    }

    bool ReadData(uint32_t offset, PeResource resource) {
        if (!Spend(resource))
            return false;
        if (uint64_t(offset) + 16 > treeSize_)
            return Fail("a resource data entry lies outside the resource section");
        const unsigned char* at = file_ + root_ + offset;
        uint32_t rva = PeDword(at);
        uint32_t size = PeDword(at + 4);
        size_t data = 0;
        if (!headers_->FileOffset(rva, size, size_, &data))
            return Fail("resource " + DescribePeResourceName(resource.name) + " of type " +
                        DescribePeResourceName(resource.type) + " lies outside the file");
        if (resources_->size() >= kMaxResources)
            return Fail("the file claims more than " + std::to_string(kMaxResources) +
                        " resources");
        resource.codePage = PeDword(at + 8);
        resource.data = file_ + data;
        resource.size = size;
        resources_->push_back(resource);
        return true;
    }

    const unsigned char* file_;
    size_t size_;
    const PeHeaders* headers_ = nullptr;
    std::set<uint32_t> visited_;
    size_t root_ = 0;
    uint32_t treeSize_ = 0;
    size_t nameWork_ = 0;
    std::vector<PeResource>* resources_ = nullptr;
    std::string* error_ = nullptr;
};

}  // namespace

std::string DescribePeResourceName(const PeResourceName& name) {
    if (name.text.empty())
        return std::to_string(name.id);
    std::string text = "\"";
    for (char16_t c : name.text)
        text += c >= 0x20 && c < 0x7F ? char(c) : '?';
    return text + "\"";
}

bool ReadPeResourceTree(const unsigned char* file, size_t size, std::vector<PeResource>* resources,
                        std::string* error) {
    return TreeReader(file, size).Read(resources, error);
}

bool ReadPeResources(const unsigned char* file, size_t size, std::vector<ResourceEntry>* entries,
                     std::string* error) {
    entries->clear();
    std::vector<PeResource> resources;
    if (!ReadPeResourceTree(file, size, &resources, error))
        return false;
    for (const PeResource& r : resources) {
        if (r.type.text.empty() && r.name.text.empty())
            entries->push_back({r.type.id, r.name.id, r.language, r.data, r.size});
    }
    return true;
}

}  // namespace standin
