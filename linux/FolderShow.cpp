#include "linux/FolderShow.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "linux/ShowCache.h"
#include "maker/NameText.h"
#include "maker/ServeShow.h"
#include "maker/ShowMaker.h"

namespace {

void Tell(const std::string& folder, const std::string& what) {
    std::fprintf(stderr, "avrel: %s %s; playing the show's own pictures\n",
                 maker::PrintableName(folder).c_str(), what.c_str());
}

bool MakeFolderShow(const std::string& folder, const std::vector<maker::FolderFile>& files,
                    const maker::PictureSet& base, MadeResources* made) {
    maker::ShowRequest request = maker::FolderRequest(folder, files);
    request.basePictures = base;
    request.threads = int(std::max(1u, std::thread::hardware_concurrency()));
    maker::ShowResult result;
    std::string why;
    switch (maker::MakeShow(request, &result, &why)) {
        case maker::MakeOutcome::Made:
            *made = std::move(result.resources);
            return true;
        case maker::MakeOutcome::NoPhotos:
            Tell(folder,
                 "holds no usable photo among its " + std::to_string(files.size()) + " files");
            return false;
        case maker::MakeOutcome::Failed:
            Tell(folder, "cannot be made into a show: " + why);
            return false;
    }
    return false;
}

}  // namespace

void ServeFolderShow(const std::string& folder) {
    std::vector<maker::FolderFile> files;
    std::string why;
    if (!maker::ListPhotoFolder(folder, &files, &why)) {
        Tell(folder, why);
        return;
    }
    if (files.empty()) {
        Tell(folder, "holds no files");
        return;
    }
    maker::PictureSet base = maker::ModulePictures();
    std::string path = ShowCachePath(folder);
    std::string key = ShowCacheKey(folder, files, base);
    // Served for the life of the process, as resource memory is.
    static MadeResources* made = new MadeResources;
    if (path.empty() || !LoadCachedShow(path, key, made)) {
        if (!MakeFolderShow(folder, files, base, made))
            return;
        if (!path.empty())
            StoreCachedShow(path, key, *made);
    }
    maker::ServeShow(*made);
}
