#include "maker/PersonalProgram.h"

#include <windows.h>

#include <set>

#include "maker/ProgramFile.h"
#include "show/ShowResources.h"

namespace maker {

namespace {

// The base's resources with the maker's in place of the pictures, palette
// and table of the same ids (in every language the base has them).
bool Replace(const MadeResources& made, std::vector<ResourceItem>* items, std::string* why) {
    std::set<int> replaced;
    for (ResourceItem& item : *items) {
        if (item.type.id != WORD(ULONG_PTR(RT_RCDATA)) || !item.name.text.empty())
            continue;
        auto found = made.find(item.name.id);
        if (found != made.end()) {
            item.data = found->second;
            replaced.insert(found->first);
        }
    }
    if (replaced.size() != made.size()) {
        *why = "the base program lacks resources the show needs";
        return false;
    }
    return true;
}

// The written file read back: every resource the show needs is there, and
// every made resource holds exactly what was made.
bool CheckWritten(const std::vector<unsigned char>& file, const MadeResources& made,
                  std::string* why) {
    std::vector<ResourceItem> items;
    if (!ReadResourceItems(file.data(), file.size(), &items, why))
        return false;
    std::map<int, const std::vector<unsigned char>*> found;
    for (const ResourceItem& item : items)
        if (item.type.id == WORD(ULONG_PTR(RT_RCDATA)) && item.name.text.empty())
            found[item.name.id] = &item.data;
    for (WORD id : ShowResources()) {
        auto at = found.find(id);
        auto want = made.find(id);
        if (at == found.end() || (want != made.end() && *at->second != want->second)) {
            *why = "resource " + std::to_string(id) + " did not read back as written";
            return false;
        }
    }
    return true;
}

}  // namespace

bool WritePersonalProgram(const unsigned char* base, size_t size, const MadeResources& made,
                          std::vector<unsigned char>* out, std::string* why) {
    std::vector<ResourceItem> items;
    return ReadResourceItems(base, size, &items, why) && Replace(made, &items, why) &&
           WriteProgramFile(base, size, items, out, why) && CheckWritten(*out, made, why);
}

}  // namespace maker
