// Fuzz target for the maker's program-file reader and writer (maker/
// ProgramFile.cpp): whatever the bytes, reading gives items or a message;
// a file that reads is rewritten with its own items or refused with a
// message and no output; a rewrite reads back the same items in the
// writer's sorted order, and where the resources kept their section,
// rewriting it again gives the same bytes.
// Seeds (corpus/program_writer): small programs with .rsrc before .reloc
// (PE32 and PE32+), .rsrc last, and a .data after .rsrc, each with string
// names; the reader's seeds (corpus/program_file) join them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "PeHeaders.h"
#include "maker/ProgramFile.h"
#include "maker/ResourceTree.h"

namespace {

const char kTarget[] = "program writer fuzz";

bool SortsBefore(const maker::ResourceItem& a, const maker::ResourceItem& b) {
    if (int type = maker::CompareResourceNames(a.type, b.type))
        return type < 0;
    if (int name = maker::CompareResourceNames(a.name, b.name))
        return name < 0;
    return a.language < b.language;
}

bool Same(const maker::ResourceItem& a, const maker::ResourceItem& b) {
    return a.type.id == b.type.id && a.type.text == b.type.text && a.name.id == b.name.id &&
           a.name.text == b.name.text && a.language == b.language && a.codePage == b.codePage &&
           a.data == b.data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<maker::ResourceItem> items;
    std::string why;
    if (!maker::ReadResourceItems(data, size, &items, &why)) {
        FuzzCheck(kTarget, !why.empty() && items.empty(), "a refusal without a message");
        return 0;
    }
    std::vector<unsigned char> out;
    why.clear();
    if (!maker::WriteProgramFile(data, size, items, &out, &why)) {
        FuzzCheck(kTarget, !why.empty() && out.empty(), "a refused rewrite without a message");
        return 0;
    }
    std::vector<maker::ResourceItem> back;
    FuzzCheck(kTarget, maker::ReadResourceItems(out.data(), out.size(), &back, &why),
              "a rewrite that does not read back");
    std::stable_sort(items.begin(), items.end(), SortsBefore);
    FuzzCheck(kTarget, std::equal(items.begin(), items.end(), back.begin(), back.end(), Same),
              "a rewrite that reads back other resources");
    // An added section may take in addresses that lay beyond the base's
    // image, and a second pass then judges the file anew.
    standin::PeHeaders before, after;
    standin::ReadPeHeaders(data, size, &before, &why);
    standin::ReadPeHeaders(out.data(), out.size(), &after, &why);
    if (after.sections.size() > before.sections.size())
        return 0;
    std::vector<unsigned char> again;
    FuzzCheck(kTarget, maker::WriteProgramFile(out.data(), out.size(), back, &again, &why),
              "a rewrite that cannot be rewritten");
    FuzzCheck(kTarget, again == out, "a second rewrite that differs from the first");
    return 0;
}
