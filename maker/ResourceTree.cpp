// Layout, as linkers write it: every directory table first (the root, the
// name directories of each type, the language directories of each name),
// then the 16-byte data entries, the counted UTF-16 names and last the data,
// each item's data aligned to 8 bytes. Windows finds a resource by binary
// search in each directory, so each holds its string-named entries first,
// in its comparison order, then its ids ascending; a table out of order
// loses resources.
#include "maker/ResourceTree.h"

#include <algorithm>

#include "PeHeaders.h"

namespace maker {
namespace {

using standin::PePutDword;
using standin::PePutWord;

const uint32_t kHighBit = 0x80000000u;  // a string name; a subdirectory

// Windows upper-cases both names before comparing them code unit by code
// unit. Resource names are ASCII in practice; Latin-1, Greek and Cyrillic
// letters are folded too, and any other code unit stands for itself.
char16_t Upper(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return char16_t(c - 0x20);
    if (c >= 0x450 && c <= 0x45F)
        return char16_t(c - 0x50);
    if (c == 0x3C2)
        return 0x3A3;
    if (c == 0xFF)
        return 0x178;
    return c;
}

int CompareItems(const ResourceItem& a, const ResourceItem& b) {
    if (int type = CompareResourceNames(a.type, b.type))
        return type;
    if (int name = CompareResourceNames(a.name, b.name))
        return name;
    return int(a.language) - int(b.language);
}

uint64_t Align8(uint64_t n) {
    return (n + 7) & ~uint64_t(7);
}

// Items [begin, end) of the sorted list, or names [begin, end) of a type.
struct Run {
    size_t begin;
    size_t end;
};

class TreeWriter {
public:
    TreeWriter(std::vector<const ResourceItem*> sorted, std::vector<unsigned char>* out)
        : items_(std::move(sorted)), out_(out) {}

    // Groups the sorted items into names and types and gives every part of
    // the section its offset; the section's size.
    uint64_t Plan() {
        for (size_t i = 0; i < items_.size(); ++i) {
            bool newType = i == 0 || CompareResourceNames(items_[i - 1]->type, items_[i]->type);
            if (newType)
                types_.push_back({names_.size(), names_.size()});
            if (newType || CompareResourceNames(items_[i - 1]->name, items_[i]->name)) {
                names_.push_back({i, i});
                ++types_.back().end;
            }
            ++names_.back().end;
        }
        uint64_t at = 16 + 8 * uint64_t(types_.size());
        for (const Run& t : types_)
            at = Place(&typeDirectories_, at, 16 + 8 * uint64_t(t.end - t.begin));
        for (const Run& n : names_)
            at = Place(&nameDirectories_, at, 16 + 8 * uint64_t(n.end - n.begin));
        for (size_t i = 0; i < items_.size(); ++i)
            at = Place(&dataEntries_, at, 16);
        for (const Run& t : types_)
            at = PlaceString(&typeStrings_, at, items_[names_[t.begin].begin]->type);
        for (const Run& n : names_)
            at = PlaceString(&nameStrings_, at, items_[n.begin]->name);
        for (const ResourceItem* item : items_)
            at = Place(&data_, Align8(at), item->data.size());
        return at;
    }

    void Write(uint32_t address, uint64_t size) {
        out_->assign(size_t(size), 0);
        Directory(0, types_.size(), [&](size_t t) {
            return Entry(items_[names_[types_[t].begin].begin]->type, typeStrings_[t],
                         kHighBit | uint32_t(typeDirectories_[t]));
        });
        for (size_t t = 0; t < types_.size(); ++t) {
            const Run& type = types_[t];
            Directory(typeDirectories_[t], type.end - type.begin, [&](size_t k) {
                size_t n = type.begin + k;
                return Entry(items_[names_[n].begin]->name, nameStrings_[n],
                             kHighBit | uint32_t(nameDirectories_[n]));
            });
        }
        for (size_t n = 0; n < names_.size(); ++n) {
            const Run& name = names_[n];
            Directory(nameDirectories_[n], name.end - name.begin, [&](size_t k) {
                size_t i = name.begin + k;
                return std::make_pair(uint32_t(items_[i]->language), uint32_t(dataEntries_[i]));
            });
        }
        for (size_t i = 0; i < items_.size(); ++i) {
            const ResourceItem& item = *items_[i];
            PePutDword(out_->data() + dataEntries_[i], address + uint32_t(data_[i]));
            PePutDword(out_->data() + dataEntries_[i] + 4, uint32_t(item.data.size()));
            PePutDword(out_->data() + dataEntries_[i] + 8, item.codePage);
            std::copy(item.data.begin(), item.data.end(), out_->begin() + long(data_[i]));
        }
        WriteStrings(types_, typeStrings_, [&](const Run& t) -> const ResourceName& {
            return items_[names_[t.begin].begin]->type;
        });
        WriteStrings(names_, nameStrings_,
                     [&](const Run& n) -> const ResourceName& { return items_[n.begin]->name; });
    }

private:
    static uint64_t Place(std::vector<uint64_t>* offsets, uint64_t at, uint64_t size) {
        offsets->push_back(at);
        return at + size;
    }
    static uint64_t PlaceString(std::vector<uint64_t>* offsets, uint64_t at,
                                const ResourceName& name) {
        return Place(offsets, at, name.text.empty() ? 0 : 2 + 2 * uint64_t(name.text.size()));
    }

    // A directory entry's two fields: the name (an id, or the offset of the
    // string) and the target.
    static std::pair<uint32_t, uint32_t> Entry(const ResourceName& name, uint64_t string,
                                               uint32_t target) {
        return {name.text.empty() ? name.id : kHighBit | uint32_t(string), target};
    }

    // A directory table at `at` of `count` entries, entry(k) giving the
    // fields of entry k. Sorted order puts the string names first.
    template <typename EntryOf>
    void Directory(uint64_t at, size_t count, EntryOf entry) {
        uint32_t named = 0;
        for (size_t k = 0; k < count; ++k) {
            std::pair<uint32_t, uint32_t> fields = entry(k);
            named += (fields.first & kHighBit) != 0;
            PePutDword(out_->data() + at + 16 + 8 * k, fields.first);
            PePutDword(out_->data() + at + 20 + 8 * k, fields.second);
        }
        PePutWord(out_->data() + at + 12, named);
        PePutWord(out_->data() + at + 14, uint32_t(count) - named);
    }

    template <typename NameOf>
    void WriteStrings(const std::vector<Run>& runs, const std::vector<uint64_t>& offsets,
                      NameOf nameOf) {
        for (size_t r = 0; r < runs.size(); ++r) {
            const std::u16string& text = nameOf(runs[r]).text;
            if (text.empty())
                continue;
            PePutWord(out_->data() + offsets[r], uint32_t(text.size()));
            for (size_t c = 0; c < text.size(); ++c)
                PePutWord(out_->data() + offsets[r] + 2 + 2 * c, text[c]);
        }
    }

    std::vector<const ResourceItem*> items_;
    std::vector<unsigned char>* out_;
    std::vector<Run> names_, types_;
    std::vector<uint64_t> typeDirectories_, nameDirectories_, dataEntries_;
    std::vector<uint64_t> typeStrings_, nameStrings_, data_;
};

}  // namespace

int CompareResourceNames(const ResourceName& a, const ResourceName& b) {
    bool aNamed = !a.text.empty(), bNamed = !b.text.empty();
    if (aNamed != bNamed)
        return aNamed ? -1 : 1;
    if (!aNamed)
        return int(a.id) - int(b.id);
    size_t common = std::min(a.text.size(), b.text.size());
    for (size_t i = 0; i < common; ++i) {
        if (int d = int(Upper(a.text[i])) - int(Upper(b.text[i])))
            return d;
    }
    return a.text.size() < b.text.size() ? -1 : a.text.size() > b.text.size();
}

bool BuildResourceTree(const std::vector<ResourceItem>& items, uint32_t address,
                       std::vector<unsigned char>* section, std::string* why) {
    // Each directory counts its entries in 16 bits.
    if (items.size() > 0xFFFF) {
        *why = "more than 65535 resources";
        return false;
    }
    std::vector<const ResourceItem*> sorted;
    for (const ResourceItem& item : items) {
        if (item.type.text.size() > 0xFFFF || item.name.text.size() > 0xFFFF) {
            *why = "a resource name is longer than 65535 characters";
            return false;
        }
        sorted.push_back(&item);
    }
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [](const ResourceItem* a, const ResourceItem* b) { return CompareItems(*a, *b) < 0; });
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (CompareItems(*sorted[i - 1], *sorted[i]) == 0) {
            *why = "two resources share type " + standin::DescribePeResourceName(sorted[i]->type) +
                   ", name " + standin::DescribePeResourceName(sorted[i]->name) + " and language " +
                   std::to_string(sorted[i]->language);
            return false;
        }
    }
    TreeWriter writer(std::move(sorted), section);
    uint64_t size = writer.Plan();
    if (size > uint64_t(0xFFFFFFFFu) - address) {
        *why = "the resources are too large for a program file";
        return false;
    }
    writer.Write(address, size);
    return true;
}

}  // namespace maker
