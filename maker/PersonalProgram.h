// A personal Avrel.scr: a built program file (the shipped 32-bit program,
// or the 64-bit twin) with a made show's resources in place of the
// pictures, palette and colour table of the same ids, written without a
// compiler and read back before it is handed out. avrel-custom and the web
// page write it alike, so the same show gives the same bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "maker/MadeShow.h"

namespace maker {

// False with a one-line message when `base` is not a program file the
// writer can mend, lacks a resource `made` replaces, or the written file
// does not read back with every resource the show needs.
bool WritePersonalProgram(const unsigned char* base, size_t size, const MadeResources& made,
                          std::vector<unsigned char>* out, std::string* why);

}  // namespace maker
