// Reads the resource table of a Windows program file (PE32, or PE32+ for
// the 64-bit test build) held in memory. Every offset and size in the file
// is checked against the bytes given before it is followed, and the
// resource tree is taken exactly three levels deep (type, name, language)
// with no directory visited twice, so a damaged or hostile file is refused
// with a message and never read out of bounds or walked for ever.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "StandIn.h"

namespace standin {

// A resource type or name: an ordinal `id`, or a string when `text` is not
// empty.
struct PeResourceName {
    WORD id = 0;
    std::u16string text;
};

// The name for messages: the ordinal, or the string in quotes with
// anything beyond ASCII shown as '?'.
std::string DescribePeResourceName(const PeResourceName& name);

struct PeResource {
    PeResourceName type;
    PeResourceName name;
    WORD language;
    DWORD codePage;
    const unsigned char* data;  // points into the file
    DWORD size;
};

// Fills `resources` with every resource of the file, in the tree's order,
// and returns true, or returns false with `error` saying what is wrong.
bool ReadPeResourceTree(const unsigned char* file, size_t size, std::vector<PeResource>* resources,
                        std::string* error);

// Fills `entries` with the ordinal-named resources of the file (entry data
// points into `file`) and returns true, or returns false with `error` saying
// what is wrong. Resources with string names or types are left out: the
// program looks up everything by number.
bool ReadPeResources(const unsigned char* file, size_t size, std::vector<ResourceEntry>* entries,
                     std::string* error);

}  // namespace standin
