#include "maker/ShowPlan.h"

#include <algorithm>
#include <set>

#include "maker/NameText.h"

namespace maker {

const std::vector<int> kStageSlots = {1000, 1001, 1002, 1003, 1004, 2000, 2001, 2002,
                                      2003, 2004, 3000, 3001, 3002, 3003, 4000, 4001,
                                      4002, 4003, 5000, 5001, 5002, 5003, 5004, 5008};

namespace {

std::u32string Strip(const std::u32string& text) {
    size_t start = 0, end = text.size();
    while (start < end && IsSpace(text[start]))
        ++start;
    while (end > start && IsSpace(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

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
        std::u32string rest = end == std::u32string::npos ? U"" : Strip(text.substr(end + 1));
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
        std::u32string line = Strip(DecodeName(raw));
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
    std::set<std::string> chosen;
    for (const auto& entry : plan)
        chosen.insert(entry.second);
    std::vector<std::string> free;
    for (const std::string& name : names)
        if (chosen.count(name) == 0)
            free.push_back(name);
    if (free.empty())
        free = names;
    std::vector<std::pair<int, std::string>> assigned;
    size_t turn = 0;
    for (int slot : slots) {
        auto planned = plan.find(slot);
        if (planned != plan.end())
            assigned.push_back(*planned);
        else
            assigned.push_back({slot, free[turn++ % free.size()]});
    }
    return assigned;
}

}  // namespace maker
