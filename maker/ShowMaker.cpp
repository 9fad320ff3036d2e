#include "maker/ShowMaker.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include "maker/ColourTable.h"
#include "maker/DecodePicture.h"
#include "maker/EncodePicture.h"
#include "maker/FitPhoto.h"
#include "maker/NameText.h"
#include "maker/PaletteDesign.h"

namespace maker {

namespace {

// A photo whose slot must be enlarged more than this is much smaller than
// its slot, and the person is told.
const double kEnlargementWarning = 2.0;

// Runs job(0) .. job(count - 1) on up to `threads` threads; each job writes
// only its own results, so the outcome does not depend on the threads.
void ForEach(int count, int threads, const std::function<void(int)>& job) {
    threads = std::max(1, std::min({threads, count, kMaxThreads}));
    if (threads == 1) {
        for (int i = 0; i < count; ++i)
            job(i);
        return;
    }
    std::atomic<int> next{0};
    auto work = [&] {
        for (int i = next++; i < count; i = next++)
            job(i);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
}

struct Slot {
    int id = 0;
    PictureFacts facts;
};

bool ReadSlots(const ShowRequest& request, std::vector<Slot>* slots, std::string* why) {
    for (int id : kStageSlots) {
        Slot slot;
        slot.id = id;
        auto found = request.basePictures.find(id);
        std::string problem = "it has none";
        if (found == request.basePictures.end() ||
            !DecodePicture(found->second.data(), found->second.size(), &slot.facts, nullptr,
                           &problem)) {
            *why = "the base program's picture " + std::to_string(id) + " is unusable: " + problem;
            return false;
        }
        slots->push_back(slot);
    }
    return true;
}

std::vector<int> SlotIds(const std::vector<Slot>& slots) {
    std::vector<int> ids;
    for (const Slot& slot : slots)
        ids.push_back(slot.id);
    return ids;
}

// The folder's names in order, the plan and the slots, as MakeShow starts.
bool Prepare(const ShowRequest& request, std::vector<std::string>* names, Plan* plan,
             std::vector<Slot>* slots, std::string* why) {
    *names = request.names;
    SortNames(names);
    if (request.hasPlan && !ReadPlan(request.planText, request.planName, *names, plan, why))
        return false;
    return ReadSlots(request, slots, why);
}

// Fits `name` into `slot` and encodes it (or takes it from request.fitted); false with the reason
// the photo cannot be used.
bool FillSlot(const ShowRequest& request, const Slot& slot, const std::string& name,
              FittedSlot* filled, std::string* why) {
    for (const FittedSlot& before : request.fitted) {
        if (before.slot == slot.id && before.name == name) {
            *filled = before;
            *why = before.why;
            return before.why.empty();
        }
    }
    std::vector<unsigned char> bytes;
    if (!request.read(name, &bytes, why))
        return false;
    FittedPhoto fitted;
    if (!FitPhoto(bytes.data(), bytes.size(), slot.facts.width, slot.facts.height, request.fit,
                  &fitted, why))
        return false;
    std::vector<unsigned char>().swap(bytes);
    std::string failed;
    if (!EncodePicture(fitted.image, slot.facts.grey, &filled->jpeg, &failed)) {
        *why = failed;
        return false;
    }
    filled->name = name;
    filled->image = std::move(fitted.image);
    filled->enlargement = fitted.enlargement;
    return true;
}

// Fills every slot (one whose name is empty is not filled yet). A photo
// that cannot be used is skipped and the slots assigned again without it;
// slots whose photo stays the same keep what was made for them. False when
// no photo is usable.
bool FillSlots(const ShowRequest& request, const std::vector<std::string>& names, const Plan& plan,
               const std::vector<Slot>& slots, std::vector<FittedSlot>* filled,
               ShowResult* result) {
    std::vector<std::string> usable = names;
    filled->assign(slots.size(), FittedSlot());
    std::mutex reporting;
    int done = 0;
    while (!usable.empty()) {
        Plan kept;
        for (const auto& entry : plan)
            if (std::find(usable.begin(), usable.end(), entry.second) != usable.end())
                kept.insert(entry);
        auto assigned = AssignSlots(SlotIds(slots), usable, kept);
        std::vector<int> open;
        for (size_t i = 0; i < slots.size(); ++i) {
            if ((*filled)[i].name != assigned[i].second) {
                if (!(*filled)[i].name.empty())
                    --done;
                (*filled)[i] = FittedSlot();
                open.push_back(int(i));
            }
        }
        std::vector<std::string> refusals(open.size());
        std::set<std::string> refusedNow;  // tried once is enough
        ForEach(int(open.size()), request.threads, [&](int k) {
            int i = open[k];
            {
                std::lock_guard<std::mutex> hold(reporting);
                if (refusedNow.count(assigned[i].second) != 0)
                    return;
            }
            FittedSlot made;
            std::string why;
            if (!FillSlot(request, slots[i], assigned[i].second, &made, &why)) {
                std::lock_guard<std::mutex> hold(reporting);
                refusals[k] = why.empty() ? "cannot be used" : why;
                refusedNow.insert(assigned[i].second);
                return;
            }
            (*filled)[i] = std::move(made);
            std::lock_guard<std::mutex> hold(reporting);
            ++done;
            if (request.progress)
                request.progress({done, int(slots.size()), slots[i].id, assigned[i].second});
        });
        std::set<std::string> refused;
        for (size_t k = 0; k < open.size(); ++k) {
            const std::string& name = assigned[open[k]].second;
            if (!refusals[k].empty() && refused.insert(name).second)
                result->skipped.push_back({name, refusals[k]});
        }
        if (refused.empty()) {
            for (size_t i = 0; i < slots.size(); ++i) {
                auto planned = kept.find(slots[i].id);
                result->plan.push_back({slots[i].id, slots[i].facts.width, slots[i].facts.height,
                                        assigned[i].second, planned != kept.end()});
            }
            return true;
        }
        usable.erase(std::remove_if(usable.begin(), usable.end(),
                                    [&](const std::string& n) { return refused.count(n) != 0; }),
                     usable.end());
    }
    return false;
}

std::string EnlargementWarning(const std::string& name, const Slot& slot, double enlargement) {
    char times[32];
    std::snprintf(times, sizeof times, "%.1f", enlargement);
    return PrintableName(name) + " is much smaller than slot " + std::to_string(slot.id) + " (" +
           std::to_string(slot.facts.width) + " x " + std::to_string(slot.facts.height) +
           "): enlarged " + times + " times";
}

}  // namespace

MakeOutcome MakeShow(const ShowRequest& request, ShowResult* result, std::string* why) {
    *result = ShowResult();
    std::vector<std::string> names;
    Plan plan;
    std::vector<Slot> slots;
    if (!Prepare(request, &names, &plan, &slots, why))
        return MakeOutcome::Failed;

    std::vector<FittedSlot> filled;
    bool any = !names.empty() && FillSlots(request, names, plan, slots, &filled, result);
    // in name order, whichever round found them
    std::map<std::string, size_t> position;
    for (size_t i = 0; i < names.size(); ++i)
        position.emplace(names[i], i);
    std::sort(result->skipped.begin(), result->skipped.end(),
              [&](const auto& a, const auto& b) { return position[a.first] < position[b.first]; });
    if (!any)
        return MakeOutcome::NoPhotos;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (filled[i].enlargement > kEnlargementWarning)
            result->warnings.push_back(
                EnlargementWarning(filled[i].name, slots[i], filled[i].enlargement));
    }

    // Every colour picture of the new set, in id order: the fitted photos and
    // the base's pictures that stay.
    std::map<int, const RgbImage*> colour;
    for (size_t i = 0; i < slots.size(); ++i)
        if (!slots[i].facts.grey)
            colour[slots[i].id] = &filled[i].image;
    std::vector<int> keptIds;
    for (const auto& entry : request.basePictures)
        if (std::find(kStageSlots.begin(), kStageSlots.end(), entry.first) == kStageSlots.end())
            keptIds.push_back(entry.first);
    std::vector<RgbImage> kept(keptIds.size());
    std::vector<PictureFacts> keptFacts(keptIds.size());
    std::vector<std::string> keptErrors(keptIds.size());
    ForEach(int(keptIds.size()), request.threads, [&](int k) {
        const std::vector<unsigned char>& bytes = request.basePictures.at(keptIds[k]);
        if (!DecodePicture(bytes.data(), bytes.size(), &keptFacts[k], &kept[k], &keptErrors[k]))
            keptErrors[k] = keptErrors[k].empty() ? "cannot be decoded" : keptErrors[k];
    });
    for (size_t k = 0; k < keptIds.size(); ++k) {
        if (!keptErrors[k].empty()) {
            *why = "the base program's picture " + std::to_string(keptIds[k]) +
                   " is unusable: " + keptErrors[k];
            return MakeOutcome::Failed;
        }
        if (!keptFacts[k].grey)
            colour[keptIds[k]] = &kept[k];
    }
    std::vector<const RgbImage*> pictures;
    for (const auto& entry : colour)
        pictures.push_back(entry.second);

    std::vector<unsigned char> palette;
    if (!DesignPalette(pictures, &palette, why))
        return MakeOutcome::Failed;
    std::vector<unsigned char> table = BuildColourTable(palette);
    if (!CheckPalette(palette, table, why)) {
        *why = "the designed palette breaks a rule: " + *why;
        return MakeOutcome::Failed;
    }
    for (size_t i = 0; i < slots.size(); ++i)
        result->resources[slots[i].id] = std::move(filled[i].jpeg);
    result->resources[kPaletteId] = std::move(palette);
    result->resources[kColourTableId] = std::move(table);
    return MakeOutcome::Made;
}

bool FitShare(const ShowRequest& request, int share, int shares, std::vector<FittedSlot>* fitted,
              std::string* why) {
    fitted->clear();
    std::vector<std::string> names;
    Plan plan;
    std::vector<Slot> slots;
    if (!Prepare(request, &names, &plan, &slots, why))
        return false;
    // The round MakeShow comes to next: the photos refused so far left out.
    auto refused = [&](const std::string& name) {
        return std::any_of(request.fitted.begin(), request.fitted.end(),
                           [&](const FittedSlot& f) { return f.name == name && !f.why.empty(); });
    };
    names.erase(std::remove_if(names.begin(), names.end(), refused), names.end());
    if (names.empty() || shares < 1 || share < 0 || share >= shares)
        return true;
    Plan kept;
    for (const auto& entry : plan)
        if (!refused(entry.second))
            kept.insert(entry);
    auto assigned = AssignSlots(SlotIds(slots), names, kept);
    std::vector<size_t> open;
    for (size_t i = 0; i < slots.size(); ++i) {
        bool done =
            std::any_of(request.fitted.begin(), request.fitted.end(), [&](const FittedSlot& f) {
                return f.slot == slots[i].id && f.name == assigned[i].second;
            });
        if (!done && open.size() % size_t(shares) == size_t(share))
            open.push_back(i);
        else if (!done)
            open.push_back(slots.size());  // another maker's
    }
    open.erase(std::remove(open.begin(), open.end(), slots.size()), open.end());
    for (size_t i : open) {
        FittedSlot made;
        std::string failed;
        if (!FillSlot(request, slots[i], assigned[i].second, &made, &failed)) {
            made = FittedSlot();
            made.why = failed.empty() ? "cannot be used" : failed;
        }
        made.slot = slots[i].id;
        made.name = assigned[i].second;
        fitted->push_back(std::move(made));
        if (request.progress)
            request.progress({int(fitted->size()), int(open.size()), slots[i].id, made.name});
    }
    return true;
}

}  // namespace maker
