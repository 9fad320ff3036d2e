// Shows made from photo folders, kept between starts of avrel: one file per
// folder under $XDG_CACHE_HOME/avrel (~/.cache/avrel when it is not set),
// holding the resources made and the key they were made for. The key names
// everything the show depends on: this version, the folder, each file's
// name, size and modification time, and the base pictures; a folder that
// changed gets a show made anew. A cache file that cannot be read back
// whole is made anew too; one that cannot be written costs only the time.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "maker/BasePictures.h"
#include "maker/MadeShow.h"
#include "maker/PhotoFolder.h"

using maker::MadeResources;

// The cache file of `folder`, or "" when neither XDG_CACHE_HOME nor HOME
// says where the cache is.
std::string ShowCachePath(const std::string& folder);

std::string ShowCacheKey(const std::string& folder, const std::vector<maker::FolderFile>& files,
                         const maker::PictureSet& base);

// True when `path` holds a show made for `key`.
bool LoadCachedShow(const std::string& path, const std::string& key, MadeResources* resources);

// Writes the show for `key` to `path`, its folders made as needed; quietly
// does nothing where that fails.
void StoreCachedShow(const std::string& path, const std::string& key,
                     const MadeResources& resources);
