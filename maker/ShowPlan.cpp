#include "maker/ShowPlan.h"

#include <algorithm>
#include <set>

#include "maker/NameText.h"

namespace maker {

const std::vector<int> kStageSlots = {1000, 1001, 1002, 1003, 1004, 2000, 2001, 2002,
                                      2003, 2004, 3000, 3001, 3002, 3003, 4000, 4001,
                                      4002, 4003, 5000, 5001, 5002, 5003, 5004, 5008};

namespace {

std::string SlotList() {
    std::string list;
    for (int slot : kStageSlots)
        list += (list.empty() ? "" : " ") + std::to_string(slot);
    return list;
}

// One line, stripped and not a comment, into its slot and name.
bool ReadLine(const std::u32string& line, const std::string& where,
              const std::set<std::string>& names, int* slot, std::string* name, std::string* why) {
    size_t gap = 0;
    while (gap < line.size() && !IsSpace(line[gap]))
        ++gap;
    size_t start = gap;
    while (start < line.size() && IsSpace(line[start]))
        ++start;
    std::u32string number = line.substr(0, gap), text = line.substr(start);
    bool digits = !number.empty() && std::all_of(number.begin(), number.end(),
                                                 [](char32_t c) { return c >= U'0' && c <= U'9'; });
    if (text.empty() || !digits) {
        *why = where + ": expected 'SLOT NAME', got '" + PrintableName(EncodeName(line)) + "'";
        return false;
    }
    if (text[0] == U'"') {
        size_t end = text.find(U'"', 1);
        std::u32string rest = end == std::u32string::npos ? U"" : StripSpace(text.substr(end + 1));
        if (end == std::u32string::npos || (!rest.empty() && rest[0] != U'#')) {
            *why = where +
                   ": a quoted name ends with '\"', and only a '#' comment may follow it: " +
                   PrintableName(EncodeName(line));
            return false;
        }
        text = text.substr(1, end - 1);
    }
    // Leading zeros aside, a slot has at most four digits.
    size_t first = number.find_first_not_of(U'0');
    std::u32string significant = first == std::u32string::npos ? U"0" : number.substr(first);
    *slot = -1;
    if (significant.size() <= 5) {
        int value = 0;
        for (char32_t c : significant)
            value = value * 10 + int(c - U'0');
        if (std::find(kStageSlots.begin(), kStageSlots.end(), value) != kStageSlots.end())
            *slot = value;
    }
    if (*slot < 0) {
        *why = where + ": " + EncodeName(significant) +
               " is not a picture slot (slots: " + SlotList() + ")";
        return false;
    }
    *name = EncodeName(text);
    if (names.count(*name) == 0) {
        *why = where + ": no photo named '" + PrintableName(*name) +
               "' in the folder ('#' starts a comment only at the start of a line; quote a "
               "name to write one after it)";
        return false;
    }
    return true;
}

}  // namespace

bool ReadPlan(const std::string& bytes, const std::string& where,
              const std::vector<std::string>& names, Plan* plan, std::string* why) {
    std::set<std::string> known(names.begin(), names.end());
    plan->clear();
    size_t start = 0;
    for (int number = 1; start < bytes.size(); ++number) {
        size_t end = bytes.find('\n', start);
        size_t next = end == std::string::npos ? bytes.size() : end + 1;
        std::string raw =
            bytes.substr(start, (end == std::string::npos ? bytes.size() : end) - start);
        start = next;
        while (!raw.empty() && (raw.back() == '\r' || raw.back() == '\n'))
            raw.pop_back();
        std::u32string line = StripSpace(DecodeName(raw));
        if (line.empty() || line[0] == U'#')
            continue;
        int slot = 0;
        std::string name;
        if (!ReadLine(line, PrintableName(where) + ":" + std::to_string(number), known, &slot,
                      &name, why))
            return false;
        (*plan)[slot] = name;
    }
    return true;
}

std::vector<std::pair<int, std::string>> AssignSlots(const std::vector<int>& slots,
                                                     const std::vector<std::string>& names,
                                                     const Plan& plan) {
    std::vector<std::vector<std::string>> passes = AssignPasses({slots, names}, plan);
    std::vector<std::pair<int, std::string>> assigned;
    for (size_t i = 0; i < slots.size(); ++i)
        assigned.push_back({slots[i], passes[i][0]});
    return assigned;
}

std::vector<PhotoGroup> GroupPhotos(const std::vector<int>& slots,
                                    const std::vector<std::string>& loose,
                                    const std::vector<std::vector<std::string>>& chapters) {
    if (chapters.empty())
        return {{slots, loose}};
    std::vector<PhotoGroup> groups(kChapterCount);
    for (int slot : slots)
        groups[size_t(std::clamp(slot / 1000, 1, kChapterCount) - 1)].slots.push_back(slot);
    std::vector<std::string> all;
    for (size_t c = 0; c < chapters.size() && c < size_t(kChapterCount); ++c) {
        groups[c].photos = chapters[c];
        all.insert(all.end(), chapters[c].begin(), chapters[c].end());
    }
    for (size_t i = 0; i < loose.size(); ++i)
        groups[i % kChapterCount].photos.push_back(loose[i]);
    all.insert(all.end(), loose.begin(), loose.end());
    for (PhotoGroup& group : groups)
        if (group.photos.empty())
            group.photos = all;
    groups.erase(std::remove_if(groups.begin(), groups.end(),
                                [](const PhotoGroup& g) { return g.slots.empty(); }),
                 groups.end());
    return groups;
}

std::vector<std::vector<std::string>> AssignPasses(const PhotoGroup& group, const Plan& plan) {
    if (group.slots.empty())
        return {};
    std::set<std::string> chosen;
    for (const auto& entry : plan)
        chosen.insert(entry.second);
    std::vector<std::string> free;
    for (const std::string& name : group.photos)
        if (chosen.count(name) == 0)
            free.push_back(name);
    size_t slots = group.slots.size(), planned = 0;
    for (int slot : group.slots)
        planned += plan.count(slot);
    // A plan that takes every photo leaves all of them for the other slots.
    bool turn = free.empty() || planned + free.size() <= slots;
    if (free.empty())
        free = group.photos;
    size_t passes = turn ? 1 : (planned + free.size() + slots - 1) / slots;
    std::vector<std::vector<std::string>> shown(slots, std::vector<std::string>(passes));
    size_t next = 0;
    for (size_t pass = 0; pass < passes; ++pass) {
        for (size_t j = 0; j < slots; ++j) {
            auto choice = plan.find(group.slots[j]);
            if (pass == 0 && choice != plan.end())
                shown[j][0] = choice->second;
            else if (next < free.size() || turn)
                shown[j][pass] = free[next++ % free.size()];
            else
                shown[j][pass] = shown[j][(passes - 1) / 2];
        }
    }
    return shown;
}

}  // namespace maker
