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
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace maker {

extern const std::vector<int> kStageSlots;

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

}  // namespace maker
