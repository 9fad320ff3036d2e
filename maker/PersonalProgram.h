// A personal program file: a built Avrel.scr with a made show's resources
// in place of its own (their languages kept), the new ones (later passes'
// pictures, the pass table) beside them in the language of its palette,
// and the show's name as string resource 1 when it has one; read back and
// checked before it is handed over. Every front end that writes a personal
// saver writes it through this.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace maker {

// False with a message when `base` is not a program file the writer can
// mend, lacks the show's palette, or the written file does not read back
// with every resource the show needs and every made one as made.
bool WritePersonalProgram(const std::vector<unsigned char>& base,
                          const std::map<int, std::vector<unsigned char>>& made,
                          const std::string& name, std::vector<unsigned char>* out,
                          std::string* why);

}  // namespace maker
