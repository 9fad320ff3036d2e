// Which resources the show reads: the palette and its colour table, the
// corner logo and every resource the script names. A program file that
// lacks one of them cannot play the show; one whose personal show lists
// pictures for later passes must list them in the form the show reads.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The RT_RCDATA ids the show reads, ascending, each once.
std::vector<WORD> ShowResources();

// False, with what is wrong, when the resources served carry a pass table
// (PassPictures) that breaks a rule; such a table would not be used.
bool CheckPassPictures(std::string* why);
