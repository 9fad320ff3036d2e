// Arbitrary bytes as a plan file, and its lines as the folder's file names:
// names read as text and back give the same bytes, print as valid UTF-8 and
// sort without fault; the plan reader either says in one line what is
// wrong, or gives slots that are picture slots and names that are in the
// folder.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "maker/NameText.h"
#include "maker/ShowPlan.h"

namespace {

void Check(bool condition, const char* what) {
    FuzzCheck("plan fuzz", condition, what);
}

// No U+DC80-U+DCFF escapes: the text is UTF-8 through and through.
bool IsUtf8(const std::string& text) {
    for (char32_t c : maker::DecodeName(text))
        if (c >= 0xDC80 && c <= 0xDCFF)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> names;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = std::min(bytes.find('\n', start), bytes.size());
        std::string line = bytes.substr(start, end - start);
        size_t gap = line.find(' ');
        if (gap != std::string::npos && gap + 1 < line.size())
            names.push_back(line.substr(gap + 1));
        start = end + 1;
    }
    Check(maker::EncodeName(maker::DecodeName(bytes)) == bytes, "a name changed on its way back");
    Check(IsUtf8(maker::PrintableName(bytes)), "a printed name is not UTF-8");
    maker::FoldCase(maker::DecodeName(bytes));
    std::vector<std::string> sorted = names;
    maker::SortNames(&sorted);
    Check(sorted.size() == names.size(), "sorting lost a name");

    maker::Plan plan;
    std::string why;
    if (!maker::ReadPlan(bytes, "plan", names, &plan, &why)) {
        Check(!why.empty() && why.find('\n') == std::string::npos, "not one line of why");
        return 0;
    }
    for (const auto& entry : plan) {
        Check(std::find(maker::kStageSlots.begin(), maker::kStageSlots.end(), entry.first) !=
                  maker::kStageSlots.end(),
              "a slot that is not a picture slot");
        Check(std::find(names.begin(), names.end(), entry.second) != names.end(),
              "a name that is not in the folder");
    }
    if (!names.empty())
        Check(
            maker::AssignSlots(maker::kStageSlots, names, plan).size() == maker::kStageSlots.size(),
            "a slot left without a photo");
    return 0;
}
