#include "linux/ShowCache.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "AvrelVersion.h"
#include "maker/MadeShow.h"
#include "maker/ProgramFile.h"

namespace {

// A show of 24 photos is about 700 KB, one of the most photos a show takes
// about 170 MB; anything larger is not one of ours.
const size_t kMaxCacheBytes = size_t(256) << 20;

uint64_t Fnv1a(const std::string& text, uint64_t hash = 14695981039346656037ull) {
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::string Hex(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

}  // namespace

std::string ShowCachePath(const std::string& folder) {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string root;
    if (cache != nullptr && cache[0] == '/') {
        root = cache;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] != '/')
            return "";
        root = std::string(home) + "/.cache";
    }
    char resolved[PATH_MAX];
    std::string where = realpath(folder.c_str(), resolved) != nullptr ? resolved : folder;
    return root + "/avrel/pictures-" + Hex(Fnv1a(where)) + ".show";
}

std::string ShowCacheKey(const std::string& folder, const std::vector<maker::FolderFile>& files,
                         const maker::PictureSet& base) {
    char resolved[PATH_MAX];
    std::string key = std::string("avrel ") + AVREL_VERSION + "\nfolder " +
                      (realpath(folder.c_str(), resolved) != nullptr ? resolved : folder) + "\n";
    uint64_t pictures = Fnv1a("");
    for (const auto& entry : base) {
        pictures = Fnv1a(std::to_string(entry.first) + ":", pictures);
        pictures = Fnv1a(std::string(entry.second.begin(), entry.second.end()), pictures);
    }
    key += "base " + Hex(pictures) + "\n";
    std::vector<maker::FolderFile> sorted = files;
    std::sort(
        sorted.begin(), sorted.end(),
        [](const maker::FolderFile& a, const maker::FolderFile& b) { return a.name < b.name; });
    for (const maker::FolderFile& file : sorted)
        key += std::to_string(file.size) + " " + std::to_string(file.modified) + " " + file.name +
               "\n";
    return key;
}

bool LoadCachedShow(const std::string& path, const std::string& key, MadeResources* resources) {
    std::vector<unsigned char> bytes;
    std::string why;
    return maker::ReadWholeFile(path, &bytes, &why) && bytes.size() <= kMaxCacheBytes &&
           maker::UnpackShow(bytes.data(), bytes.size(), key, resources);
}

void StoreCachedShow(const std::string& path, const std::string& key,
                     const MadeResources& resources) {
    std::string why;
    if (MakeFolders(path))
        maker::WriteFileWhole(path, maker::PackShow(key, resources), &why);
}
