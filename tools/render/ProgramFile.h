// Playing another Avrel.scr: its resources replace the built-in set, after a
// check that it carries everything the show reads.
#pragma once

#include <string>

// Makes the resource calls serve the resources of the program file at
// `path`. Refuses a file that is not a Windows program, or that lacks a
// resource the show reads (the palette, its colour table, the corner logo
// or a picture of the script); `error` then names the problem, or every
// missing resource in one line.
bool OpenProgramFile(const char* path, std::string* error);
