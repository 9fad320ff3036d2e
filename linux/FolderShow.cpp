#include "linux/FolderShow.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "linux/ShowCache.h"
#include "maker/FaceFolder.h"
#include "maker/NameText.h"
#include "maker/ServeShow.h"
#include "maker/ShowMaker.h"

namespace {

void Tell(const std::string& folder, const std::string& what) {
    std::fprintf(stderr, "avrel: %s %s; playing the show's own pictures\n",
                 maker::PrintableName(folder).c_str(), what.c_str());
}

// The order -shuffle gives, the same at every start.
const uint64_t kShuffleSeed = 2026;

// What the show depends on besides the photos and the base: the words and
// the order.
std::string Settings(const maker::ShowWords& words, bool shuffle) {
    std::string settings = "name " + words.name + "\nafter-first " + words.afterFirst +
                           "\nclosing " + words.closing + "\n";
    for (int chapter = maker::kFirstTitledChapter; chapter <= maker::kChapterCount; ++chapter)
        settings += "title " + std::to_string(chapter) + " " + words.titles[chapter] + "\n";
    return settings + (shuffle ? "shuffle " + std::to_string(kShuffleSeed) + "\n" : "");
}

bool MakeFolderShow(const std::string& folder, const maker::PhotoTree& tree,
                    const maker::ShowWords& words, bool shuffle, const maker::PictureSet& base,
                    MadeResources* made) {
    maker::ShowRequest request = maker::FolderRequest(folder, tree);
    request.words = words;
    request.faces = maker::ReadShowFace;
    request.shuffle = shuffle;
    request.seed = kShuffleSeed;
    request.basePictures = base;
    request.threads = int(std::max(1u, std::thread::hardware_concurrency()));
    maker::ShowResult result;
    std::string why;
    switch (maker::MakeShow(request, &result, &why)) {
        case maker::MakeOutcome::Made:
            *made = std::move(result.resources);
            return true;
        case maker::MakeOutcome::NoPhotos:
            Tell(folder, "holds no usable photo among its " +
                             std::to_string(tree.AllFiles().size()) + " files");
            return false;
        case maker::MakeOutcome::Failed:
            Tell(folder, "cannot be made into a show: " + why);
            return false;
    }
    return false;
}

}  // namespace

void ServeFolderShow(const std::string& folder, const maker::ShowWords& words, bool shuffle) {
    maker::PhotoTree tree;
    std::string why;
    if (!maker::ListPhotoTree(folder, &tree, &why)) {
        Tell(folder, why);
        return;
    }
    if (tree.AllFiles().empty()) {
        Tell(folder, "holds no files");
        return;
    }
    maker::PictureSet base = maker::ModulePictures();
    std::string path = ShowCachePath(folder);
    std::string key = ShowCacheKey(folder, tree.AllFiles(), base) + Settings(words, shuffle);
    // Served for the life of the process, as resource memory is.
    static MadeResources* made = new MadeResources;
    if (path.empty() || !LoadCachedShow(path, key, made)) {
        if (!MakeFolderShow(folder, tree, words, shuffle, base, made))
            return;
        if (!path.empty())
            StoreCachedShow(path, key, *made);
    }
    maker::ServeShow(*made);
}
