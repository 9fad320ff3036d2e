// The pictures of a base show, the maker's starting point: every RT_RCDATA
// resource with an ordinal id that holds a JPEG file, by id.
#pragma once

#include <map>
#include <vector>

namespace maker {

using PictureSet = std::map<int, std::vector<unsigned char>>;

// Of the resources this program serves (its own, or those of the program
// file the stand-in was pointed at).
PictureSet ModulePictures();

}  // namespace maker
