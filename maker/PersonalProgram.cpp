#include "maker/PersonalProgram.h"

#include <windows.h>

#include <map>
#include <set>
#include <utility>

#include "maker/ProgramFile.h"
#include "maker/SaverName.h"
#include "maker/ShowMaker.h"
#include "show/ShowResources.h"

namespace maker {

namespace {

// The base's resources with the maker's in place of those of the same type
// and id (in every language the base has them), and the maker's others
// beside them in the language of the base's palette.
bool Replace(const MadeResources& made, const std::string& name, std::vector<ResourceItem>* items,
             std::string* why) {
    std::map<std::pair<WORD, WORD>, std::vector<unsigned char>> wanted;
    for (const auto& entry : made)
        wanted[{WORD(ULONG_PTR(RT_RCDATA)), WORD(entry.first)}] = entry.second;
    if (!name.empty())
        wanted[{WORD(ULONG_PTR(RT_STRING)), WORD(kSaverNameString / 16 + 1)}] =
            SaverNameBlock(name);
    std::set<std::pair<WORD, WORD>> replaced;
    const ResourceItem* palette = nullptr;
    for (ResourceItem& item : *items) {
        if (!item.type.text.empty() || !item.name.text.empty())
            continue;
        auto found = wanted.find({item.type.id, item.name.id});
        if (item.type.id == WORD(ULONG_PTR(RT_RCDATA)) && item.name.id == kPaletteId)
            palette = &item;
        if (found != wanted.end()) {
            item.data = found->second;
            replaced.insert(found->first);
        }
    }
    if (palette == nullptr) {
        *why = "the base program lacks resources the show needs";
        return false;
    }
    ResourceItem model = *palette;
    for (auto& entry : wanted) {
        if (replaced.count(entry.first) != 0)
            continue;
        ResourceItem item = model;
        item.type.id = entry.first.first;
        item.name.id = entry.first.second;
        item.data = std::move(entry.second);
        items->push_back(std::move(item));
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
    std::vector<WORD> needed = ShowResources();
    std::set<int> ids(needed.begin(), needed.end());
    for (const auto& entry : made)
        ids.insert(entry.first);
    for (int id : ids) {
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
                          const std::string& name, std::vector<unsigned char>* out,
                          std::string* why) {
    std::vector<ResourceItem> items;
    return ReadResourceItems(base, size, &items, why) && Replace(made, name, &items, why) &&
           WriteProgramFile(base, size, items, out, why) && CheckWritten(*out, made, why);
}

}  // namespace maker
