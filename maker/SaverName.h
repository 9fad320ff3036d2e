// The saver's name on Windows: the screen-saver settings list a saver by
// its string resource 1 where it has one, otherwise by its file name. A
// personal saver carries the show's name there, and is written to a file
// named after it.
#pragma once

#include <string>
#include <vector>

namespace maker {

const int kSaverNameString = 1;

// The string table block (RT_STRING, block id 1, strings 0 to 15) that
// holds `name` (UTF-8) as string 1 and nothing else.
std::vector<unsigned char> SaverNameBlock(const std::string& name);

// `name` as a file name that every system takes, with ".scr": the
// characters Windows forbids in file names and control characters left
// out, white space runs made one space, dots and spaces trimmed from the
// ends, at most 64 characters, and a device name of Windows (CON, NUL,
// COM1, ...) or nothing at all made "Avrel".
std::string SaverFileName(const std::string& name);

}  // namespace maker
