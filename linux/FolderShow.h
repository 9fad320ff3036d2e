// avrel -pictures DIR: the show made from the photos of a folder when avrel
// starts, and served in place of the pictures, palette and colour table it
// plays otherwise (its own, or those of the -scr file). The show made is
// kept (ShowCache) and taken again while the folder stays the same.
#pragma once

#include <string>

// Call before the show's threads start. When no show can be made (no such
// folder, no usable photo), one line on stderr says why, and the show's own
// pictures play.
void ServeFolderShow(const std::string& folder);
