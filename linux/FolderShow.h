// avrel -pictures DIR: the show made from the photos of a folder when avrel
// starts, and served in place of the pictures, palette and colour table it
// plays otherwise (its own, or those of the -scr file). The show made is
// kept (ShowCache) and taken again while the folder stays the same.
#pragma once

#include <string>

#include "maker/TitlePictures.h"

// Call before the show's threads start, with the words to letter and
// whether to shuffle (always in the same order for the same photos, so the
// kept show serves again). When no show can be made (no such folder, no
// usable photo, words the lettering cannot draw), one line on stderr says
// why, and the show's own pictures play.
void ServeFolderShow(const std::string& folder, const maker::ShowWords& words, bool shuffle);
