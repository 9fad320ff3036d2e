// Which photo goes into which of the show's still-picture slots. The slots
// are the pictures a person sees on the stage, chapter by chapter; logos,
// frame-line sources and filmstrips keep the show's own.
//
// A plan file assigns photos to slots, one "SLOT NAME" line each (e.g.
// "1000 beach.jpg"). The name runs to the end of the line, '#' included; a
// line whose first character after blanks is '#' is a comment; a name may
// be written in double quotes, and only then may a "# comment" follow it.
// Slots the plan leaves open take the other photos in name order, again in
// turn when there are fewer photos than slots.
//
// More photos than slots: every pass of the show fills its slots with the
// next photos, so each photo is shown once before any comes again; the
// slots the last pass has no new photo for show the photos of the middle
// pass again, as far from their last showing as from their next.
//
// Chapters from folders: the photos of up to five sub-folders, one for each
// chapter, each chapter filled from its own; photos beside the sub-folders
// go to the chapters in turn, and a chapter left without photos takes all of
// them.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace maker {

extern const std::vector<int> kStageSlots;

const int kChapterCount = 5;

// slot -> photo name (the folder's bytes)
using Plan = std::map<int, std::string>;

// Reads a plan file's bytes against the folder's `names`. `where` names the
// file in messages ("plan.txt"). False with a message (".. :LINE: what is
// wrong") when a line is malformed, names a slot that is not a picture slot
// or a photo that is not in the folder.
bool ReadPlan(const std::string& bytes, const std::string& where,
              const std::vector<std::string>& names, Plan* plan, std::string* why);

// (slot, name) for every slot of `slots`: the plan's choices where it makes
// one, the rest from `names` (in their order) not chosen by the plan, taken
// in turn; when the plan takes every name, all of them are taken in turn.
// `names` must not be empty.
std::vector<std::pair<int, std::string>> AssignSlots(const std::vector<int>& slots,
                                                     const std::vector<std::string>& names,
                                                     const Plan& plan);

// Slots that are filled from the same photos, and those photos in the order
// they are shown.
struct PhotoGroup {
    std::vector<int> slots;  // in the order the show shows them
    std::vector<std::string> photos;
};

// The show's groups: every slot filled from `loose` when there are no
// `chapters`; else one group for each chapter (the slots of chapter c are
// c000 to c999), filled from chapters[c - 1] and its share of `loose`.
// Names keep their order. `loose` and the chapters together must not be
// empty.
std::vector<PhotoGroup> GroupPhotos(const std::vector<int>& slots,
                                    const std::vector<std::string>& loose,
                                    const std::vector<std::vector<std::string>>& chapters);

// For each slot of `group`, the photo it shows in each pass, as many passes
// as the photos take (at least one; every slot of the group has as many),
// the plan's choices in the first. `group.photos` must not be empty.
std::vector<std::vector<std::string>> AssignPasses(const PhotoGroup& group, const Plan& plan);

}  // namespace maker
