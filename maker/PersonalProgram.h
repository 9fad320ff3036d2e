// A personal Avrel.scr: a built program file (the shipped 32-bit program,
// or the 64-bit twin) with a made show's resources in place of its own
// (their languages kept), the new ones (later passes' pictures, the pass
// table) beside them in the language of its palette, and the show's name
// as string resource 1 when it has one; written without a compiler and
// read back before it is handed out. avrel-custom and the web page write it
// alike, so the same show gives the same bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "maker/MadeShow.h"

namespace maker {

// False with a one-line message when `base` is not a program file the
// writer can mend, lacks the show's palette, or the written file does not
// read back with every resource the show needs and every made one as made.
// An empty `name` leaves the base's strings as they are.
bool WritePersonalProgram(const unsigned char* base, size_t size, const MadeResources& made,
                          const std::string& name, std::vector<unsigned char>* out,
                          std::string* why);

}  // namespace maker
