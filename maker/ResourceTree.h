// The bytes of a program file's resource section, built from resource
// items: the three-level tree (type, name, language) in the order Windows
// searches it, then the data entries, the names and the data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maker/ProgramFile.h"

namespace maker {

// Negative, zero or positive as `a` sorts before, with or after `b` in a
// resource directory: string names first, compared as Windows compares them
// (code units upper-cased, then ordinal), then ids ascending.
int CompareResourceNames(const ResourceName& a, const ResourceName& b);

// Fills `section` with the resource section for `items` when it is loaded
// at `address` (an RVA; data entries hold RVAs). False with a message when
// two items share type, name and language, a name is too long, or the
// section would not fit a program's 4 GB address space.
bool BuildResourceTree(const std::vector<ResourceItem>& items, uint32_t address,
                       std::vector<unsigned char>* section, std::string* why);

}  // namespace maker
