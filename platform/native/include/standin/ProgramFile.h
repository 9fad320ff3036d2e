// Playing another Avrel.scr: its resources replace the built-in set, after a
// check that it carries every resource the caller needs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace standin {

// Makes the resource calls serve the resources of the program file at
// `path` (UseProgramFile). Refuses a file that is not a Windows program, or
// that lacks one of the RT_RCDATA resources in `required`; the resources in
// use then stay, and `error` names the problem, or every missing resource in
// one line.
bool OpenProgramFile(const char* path, const std::vector<WORD>& required, std::string* error);

// The same, and the resources must then pass `check` too, which says what
// is wrong with them when they do not (the file is refused as above).
bool OpenProgramFile(const char* path, const std::vector<WORD>& required,
                     bool (*check)(std::string* why), std::string* error);

}  // namespace standin
