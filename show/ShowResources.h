// Which resources the show reads: the palette and its colour table, the
// corner logo and every resource the script names. A program file that
// lacks one of them cannot play the show.
#pragma once

#include <windows.h>

#include <vector>

// The RT_RCDATA ids the show reads, ascending, each once.
std::vector<WORD> ShowResources();
