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
#include "maker/SeededRandom.h"
#include "show/PassPictures.h"

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

// A picture of a photo for a slot: the slot's index and the photo's name.
using PlaceKey = std::pair<size_t, std::string>;

// Which photo every slot shows in every pass.
struct Arrangement {
    std::vector<std::vector<std::string>> shown;  // by slot index, by pass
    std::vector<PlaceKey> order;                  // every picture, in the order first shown
    std::vector<int> firstPass;                   // of each of `order`, from 0
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

// The photos sorted and cut to the chapters: the names beside the chapter
// folders, and the first five folders' photos, each in name order.
struct Photos {
    std::vector<std::string> loose;
    std::vector<std::vector<std::string>> chapters;
    std::vector<std::string> folders;  // the chapters' folder names
    std::vector<std::string> all;      // every photo, in name order within each
};

Photos SortPhotos(const ShowRequest& request, ShowResult* result) {
    Photos photos;
    photos.loose = request.names;
    SortNames(&photos.loose);
    std::vector<std::string> folders;
    for (const ChapterFolder& folder : request.chapters)
        folders.push_back(folder.name);
    SortNames(&folders);
    std::vector<std::string> left;
    for (size_t i = 0; i < folders.size(); ++i) {
        if (i >= size_t(kChapterCount)) {
            left.push_back(PrintableName(folders[i]));
            continue;
        }
        for (const ChapterFolder& folder : request.chapters) {
            if (folder.name != folders[i])
                continue;
            std::vector<std::string> names = folder.photos;
            SortNames(&names);
            photos.chapters.push_back(names);
            photos.folders.push_back(folder.name);
            photos.all.insert(photos.all.end(), names.begin(), names.end());
            break;
        }
    }
    photos.all.insert(photos.all.end(), photos.loose.begin(), photos.loose.end());
    if (!left.empty()) {
        std::string list;
        for (const std::string& name : left)
            list += (list.empty() ? "" : ", ") + name;
        result->warnings.push_back("the show has five chapters; these folders are left out: " +
                                   list);
    }
    return photos;
}

std::vector<std::string> Without(const std::vector<std::string>& names,
                                 const std::set<std::string>& refused) {
    std::vector<std::string> kept;
    for (const std::string& name : names)
        if (refused.count(name) == 0)
            kept.push_back(name);
    return kept;
}

// The photos that are not refused placed in the slots pass by pass; no
// pictures at all when every photo is refused.
Arrangement Arrange(const ShowRequest& request, const Photos& photos, const Plan& plan,
                    const std::vector<Slot>& slots, const std::set<std::string>& refused) {
    Arrangement arrangement;
    std::vector<std::vector<std::string>> chapters;
    bool any = !Without(photos.loose, refused).empty();
    for (const std::vector<std::string>& chapter : photos.chapters) {
        chapters.push_back(Without(chapter, refused));
        any = any || !chapters.back().empty();
    }
    if (!any)
        return arrangement;
    Plan kept;
    for (const auto& entry : plan)
        if (refused.count(entry.second) == 0)
            kept.insert(entry);
    std::vector<int> ids;
    for (const Slot& slot : slots)
        ids.push_back(slot.id);
    SeededRandom random(request.seed);
    arrangement.shown.resize(slots.size());
    size_t passes = 0;
    for (PhotoGroup& group : GroupPhotos(ids, Without(photos.loose, refused), chapters)) {
        // Fisher-Yates: every order equally likely.
        for (size_t i = group.photos.size(); request.shuffle && i > 1; --i)
            std::swap(group.photos[i - 1], group.photos[size_t(random.Below(i))]);
        std::vector<std::vector<std::string>> shown = AssignPasses(group, kept);
        for (size_t j = 0; j < group.slots.size(); ++j) {
            size_t index = size_t(std::find(ids.begin(), ids.end(), group.slots[j]) - ids.begin());
            arrangement.shown[index] = shown[j];
            passes = std::max(passes, shown[j].size());
        }
    }
    std::set<PlaceKey> seen;
    for (size_t pass = 0; pass < passes; ++pass) {
        for (size_t i = 0; i < slots.size(); ++i) {
            if (pass < arrangement.shown[i].size() &&
                seen.insert({i, arrangement.shown[i][pass]}).second) {
                arrangement.order.push_back({i, arrangement.shown[i][pass]});
                arrangement.firstPass.push_back(int(pass));
            }
        }
    }
    return arrangement;
}

// Fits `name` into `slot` and encodes it (or takes it from request.fitted);
// false with the reason the photo cannot be used.
bool FillSlot(const ShowRequest& request, const Slot& slot, const std::string& name,
              FittedSlot* filled, std::string* why) {
    for (const FittedSlot& before : request.fitted) {
        if (before.name == name && (before.slot == slot.id || !before.why.empty())) {
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
    filled->image = std::move(fitted.image);
    filled->enlargement = fitted.enlargement;
    return true;
}

// Makes every picture the arrangement needs. A photo that cannot be used is
// skipped and the photos arranged again without it; pictures still needed
// keep what was made for them. False when no photo is usable.
bool FillPlaces(const ShowRequest& request, const Photos& photos, const Plan& plan,
                const std::vector<Slot>& slots, Arrangement* arrangement,
                std::map<PlaceKey, FittedSlot>* filled, ShowResult* result) {
    std::set<std::string> refused;
    std::mutex reporting;
    for (;;) {
        *arrangement = Arrange(request, photos, plan, slots, refused);
        if (arrangement->order.empty())
            return false;
        std::set<PlaceKey> needed(arrangement->order.begin(), arrangement->order.end());
        for (auto it = filled->begin(); it != filled->end();)
            it = needed.count(it->first) != 0 ? std::next(it) : filled->erase(it);
        std::vector<size_t> open;
        for (size_t k = 0; k < arrangement->order.size(); ++k)
            if (filled->count(arrangement->order[k]) == 0)
                open.push_back(k);
        std::vector<FittedSlot> made(open.size());
        std::vector<std::string> refusals(open.size());
        std::vector<char> passed(open.size(), 0);  // not tried: its photo was refused already
        std::set<std::string> refusedNow;          // tried once is enough
        int done = int(filled->size());
        ForEach(int(open.size()), request.threads, [&](int n) {
            size_t k = open[size_t(n)];
            const PlaceKey& key = arrangement->order[k];
            {
                std::lock_guard<std::mutex> hold(reporting);
                if (refusedNow.count(key.second) != 0) {
                    passed[size_t(n)] = 1;
                    return;
                }
            }
            std::string why;
            if (!FillSlot(request, slots[key.first], key.second, &made[size_t(n)], &why)) {
                std::lock_guard<std::mutex> hold(reporting);
                refusals[size_t(n)] = why.empty() ? "cannot be used" : why;
                refusedNow.insert(key.second);
                return;
            }
            std::lock_guard<std::mutex> hold(reporting);
            ++done;
            if (request.progress)
                request.progress({done, int(arrangement->order.size()), slots[key.first].id,
                                  arrangement->firstPass[k] + 1, key.second});
        });
        size_t before = refused.size();
        for (size_t n = 0; n < open.size(); ++n) {
            const std::string& name = arrangement->order[open[n]].second;
            if (refusals[n].empty() && !passed[n])
                (*filled)[arrangement->order[open[n]]] = std::move(made[n]);
            else if (!refusals[n].empty() && refused.insert(name).second)
                result->skipped.push_back({name, refusals[n]});
        }
        if (refused.size() == before)
            return true;
    }
}

// The pass table's bytes: the slots whose picture changes from pass to
// pass, each with its pictures in the order shown.
std::vector<unsigned char> PassTable(const std::vector<std::pair<int, std::vector<int>>>& places) {
    std::vector<unsigned char> bytes;
    auto word = [&bytes](int v) { bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    word(kPassPicturesFormat);
    word(int(places.size()));
    for (const auto& place : places) {
        word(place.first);
        word(int(place.second.size()));
        for (int id : place.second)
            word(id);
    }
    return bytes;
}

std::string EnlargementWarning(const std::string& name, const Slot& slot, double enlargement) {
    char times[32];
    std::snprintf(times, sizeof times, "%.1f", enlargement);
    return PrintableName(name) + " is much smaller than slot " + std::to_string(slot.id) + " (" +
           std::to_string(slot.facts.width) + " x " + std::to_string(slot.facts.height) +
           "): enlarged " + times + " times";
}

// The words lettered and encoded: the request's, and the chapters' titles
// their folders' names give where the request gives none.
bool LetterTitles(const ShowRequest& request, const Photos& photos, ShowResult* result,
                  std::string* why) {
    std::map<int, RgbImage> pictures;
    if (!LetterWords(request.words, request.faces, &pictures, why))
        return false;
    for (size_t c = kFirstTitledChapter - 1; c < photos.folders.size(); ++c) {
        int chapter = int(c) + 1;
        if (!request.words.titles[chapter].empty())
            continue;
        ShowWords folder;
        folder.titles[chapter] = photos.folders[c];
        if (!LetterWords(folder, request.faces, &pictures, why)) {
            *why += " (from the name of the folder '" + PrintableName(photos.folders[c]) + "')";
            return false;
        }
    }
    for (const auto& entry : pictures) {
        std::string failed;
        if (!EncodePicture(entry.second, true, &result->resources[entry.first], &failed)) {
            *why = "title picture " + std::to_string(entry.first) + ": " + failed;
            return false;
        }
    }
    return true;
}

// The photos sorted, the plan and the slots, as MakeShow starts; false with
// why where the show cannot be made before any photo is fitted.
bool Prepare(const ShowRequest& request, Photos* photos, Plan* plan, std::vector<Slot>* slots,
             ShowResult* result, std::string* why) {
    *photos = SortPhotos(request, result);
    if (photos->all.size() > size_t(kMaxPhotos)) {
        *why = std::to_string(photos->all.size()) + " files are more than a show holds (" +
               std::to_string(kMaxPhotos) + " photos)";
        return false;
    }
    if (request.hasPlan && !ReadPlan(request.planText, request.planName, photos->all, plan, why))
        return false;
    return ReadSlots(request, slots, why);
}

}  // namespace

MakeOutcome MakeShow(const ShowRequest& request, ShowResult* result, std::string* why) {
    *result = ShowResult();
    Photos photos;
    Plan plan;
    std::vector<Slot> slots;
    if (!Prepare(request, &photos, &plan, &slots, result, why))
        return MakeOutcome::Failed;
    // Words before photos: a title that cannot be lettered stops the show
    // before a photo is fitted.
    if (!LetterTitles(request, photos, result, why))
        return MakeOutcome::Failed;

    Arrangement arrangement;
    std::map<PlaceKey, FittedSlot> filled;
    bool any = !photos.all.empty() &&
               FillPlaces(request, photos, plan, slots, &arrangement, &filled, result);
    // in name order, whichever round found them
    std::map<std::string, size_t> position;
    for (size_t i = 0; i < photos.all.size(); ++i)
        position.emplace(photos.all[i], i);
    std::sort(result->skipped.begin(), result->skipped.end(),
              [&](const auto& a, const auto& b) { return position[a.first] < position[b.first]; });
    if (!any) {
        result->resources.clear();
        return MakeOutcome::NoPhotos;
    }

    // The first pass's pictures take their slots' ids, the others new ones
    // in the order they are first shown.
    std::map<PlaceKey, int> ids;
    int next = kFirstPassPicture;
    for (size_t k = 0; k < arrangement.order.size(); ++k) {
        const PlaceKey& key = arrangement.order[k];
        const Slot& slot = slots[key.first];
        int id = arrangement.firstPass[k] == 0 ? slot.id : next++;
        ids[key] = id;
        auto planned = plan.find(slot.id);
        result->plan.push_back({slot.id, slot.facts.width, slot.facts.height, key.second,
                                arrangement.firstPass[k] == 0 && planned != plan.end() &&
                                    planned->second == key.second,
                                arrangement.firstPass[k] + 1, id});
        result->passes = std::max(result->passes, arrangement.firstPass[k] + 1);
        if (filled.at(key).enlargement > kEnlargementWarning)
            result->warnings.push_back(
                EnlargementWarning(key.second, slot, filled.at(key).enlargement));
    }
    std::vector<std::pair<int, std::vector<int>>> places;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (arrangement.shown[i].size() < 2)
            continue;
        places.push_back({slots[i].id, {}});
        for (const std::string& name : arrangement.shown[i])
            places.back().second.push_back(ids.at({i, name}));
    }

    // Every colour picture of the new set, in id order: the fitted photos and
    // the base's pictures that stay.
    std::map<int, const RgbImage*> colour;
    for (const auto& entry : filled)
        if (!slots[entry.first.first].facts.grey)
            colour[ids.at(entry.first)] = &entry.second.image;
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
    for (auto& entry : filled)
        result->resources[ids.at(entry.first)] = std::move(entry.second.jpeg);
    if (!places.empty())
        result->resources[kPassPicturesId] = PassTable(places);
    result->resources[kPaletteId] = std::move(palette);
    result->resources[kColourTableId] = std::move(table);
    return MakeOutcome::Made;
}

bool FitShare(const ShowRequest& request, int share, int shares, std::vector<FittedSlot>* fitted,
              std::string* why) {
    fitted->clear();
    Photos photos;
    Plan plan;
    std::vector<Slot> slots;
    ShowResult ignored;
    if (!Prepare(request, &photos, &plan, &slots, &ignored, why))
        return false;
    if (shares < 1 || share < 0 || share >= shares)
        return true;
    // The round MakeShow comes to next: the photos refused so far left out.
    std::set<std::string> refused;
    for (const FittedSlot& before : request.fitted)
        if (!before.why.empty())
            refused.insert(before.name);
    Arrangement arrangement = Arrange(request, photos, plan, slots, refused);
    std::vector<size_t> open;  // this maker's share of the pictures not made yet
    size_t others = 0;
    for (size_t k = 0; k < arrangement.order.size(); ++k) {
        const PlaceKey& key = arrangement.order[k];
        bool done =
            std::any_of(request.fitted.begin(), request.fitted.end(), [&](const FittedSlot& f) {
                return f.slot == slots[key.first].id && f.name == key.second;
            });
        if (!done && others++ % size_t(shares) == size_t(share))
            open.push_back(k);
    }
    // The share's size first, so that a page adding up the shares knows
    // the whole before the first photo is fitted.
    if (request.progress)
        request.progress({0, int(open.size()), 0, 1, std::string()});
    std::set<std::string> refusedNow;  // tried once is enough
    for (size_t k : open) {
        const PlaceKey& key = arrangement.order[k];
        if (refusedNow.count(key.second) != 0)
            continue;
        FittedSlot made;
        std::string failed;
        if (!FillSlot(request, slots[key.first], key.second, &made, &failed)) {
            made = FittedSlot();
            made.why = failed.empty() ? "cannot be used" : failed;
            refusedNow.insert(key.second);
        }
        made.slot = slots[key.first].id;
        made.name = key.second;
        fitted->push_back(std::move(made));
        if (request.progress)
            request.progress({int(fitted->size()), int(open.size()), slots[key.first].id,
                              arrangement.firstPass[k] + 1, key.second});
    }
    return true;
}

}  // namespace maker
