// Windows program files without a compiler or linker: the resources of a
// built Avrel.scr (the 32-bit program or the 64-bit twin) read out, and a
// new program file written from it with other resources, everything else
// kept. Bytes in memory in and out; only WriteFileWhole touches the disk.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "PeResources.h"

namespace maker {

// An ordinal id, or a string name (UTF-16) when `text` is not empty: the
// program-file reader's own type, which the maker shares.
using ResourceName = standin::PeResourceName;

struct ResourceItem {
    ResourceName type;
    ResourceName name;
    WORD language = 0;
    DWORD codePage = 0;
    std::vector<unsigned char> data;
};

// Every resource of a Windows program file (PE32 or PE32+) in memory, in
// the order its resource tree holds them; false with a message when it is
// not a program file or is damaged.
bool ReadResourceItems(const unsigned char* file, size_t size, std::vector<ResourceItem>* items,
                       std::string* why);

// A new program file: `base` with its resource section replaced by `items`
// (in any order; the writer sorts the tree as Windows requires), everything
// else of the program kept. False with a message when `base` is not a
// program file this writer can mend, or two items share type, name and
// language.
bool WriteProgramFile(const unsigned char* base, size_t size,
                      const std::vector<ResourceItem>& items, std::vector<unsigned char>* out,
                      std::string* why);

// Writes `bytes` to `path` so that the file appears only once complete (a
// temporary file in the same folder, then rename); on failure nothing is
// left behind and `why` says what happened.
bool WriteFileWhole(const std::string& path, const std::vector<unsigned char>& bytes,
                    std::string* why);

}  // namespace maker
