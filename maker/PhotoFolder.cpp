#include "maker/PhotoFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "maker/ShowMaker.h"

namespace maker {

namespace {

// A 150-megapixel photo, the largest the maker takes, is far smaller even
// as a 16-bit PNG that hardly compresses; a film or a disc image in the
// folder is refused without being read into memory.
const uint64_t kMaxFileBytes = uint64_t(512) << 20;

std::string PathOf(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The regular files of `folder` and, when `folders` is given, the names of
// its sub-folders; names starting with '.' left out.
bool ListEntries(const std::string& folder, std::vector<FolderFile>* files,
                 std::vector<std::string>* folders, std::string* why) {
    files->clear();
    struct stat status;
    if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        *why = "is not a folder";
        return false;
    }
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) {
        *why = std::string("cannot be read: ") + std::strerror(errno);
        return false;
    }
    while (dirent* entry = readdir(listing)) {
        std::string name = entry->d_name;
        if (name.empty() || name[0] == '.' || stat(PathOf(folder, name).c_str(), &status) != 0)
            continue;
        if (S_ISDIR(status.st_mode) && folders != nullptr)
            folders->push_back(name);
        if (!S_ISREG(status.st_mode))
            continue;
        FolderFile file;
        file.name = name;
        file.size = uint64_t(status.st_size);
        file.modified = int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
        files->push_back(file);
    }
    closedir(listing);
    return true;
}

}  // namespace

std::vector<FolderFile> PhotoTree::AllFiles() const {
    std::vector<FolderFile> all = files;
    for (const SubFolder& folder : folders)
        all.insert(all.end(), folder.files.begin(), folder.files.end());
    return all;
}

bool ListPhotoTree(const std::string& folder, PhotoTree* tree, std::string* why) {
    *tree = PhotoTree();
    std::vector<std::string> folders;
    if (!ListEntries(folder, &tree->files, &folders, why))
        return false;
    for (const std::string& name : folders) {
        PhotoTree::SubFolder sub;
        sub.name = name;
        std::string ignored;
        ListEntries(PathOf(folder, name), &sub.files, nullptr, &ignored);
        for (FolderFile& file : sub.files)
            file.name = name + "/" + file.name;
        tree->folders.push_back(sub);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* why) {
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        *why = std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    struct stat status;
    bool good = fstat(file, &status) == 0 && S_ISREG(status.st_mode);
    if (!good) {
        *why = "is not a regular file";
    } else if (uint64_t(status.st_size) > kMaxFileBytes) {
        *why =
            "is larger than " + std::to_string(kMaxFileBytes >> 20) + " MB, too large for a photo";
        good = false;
    } else {
        bytes->resize(size_t(status.st_size));
        size_t got = 0;
        while (good && got < bytes->size()) {
            ssize_t n = read(file, bytes->data() + got, bytes->size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                *why = n < 0 ? std::string("cannot be read: ") + std::strerror(errno)
                             : "became shorter while it was read";
                good = false;
            } else {
                got += size_t(n);
            }
        }
    }
    close(file);
    return good;
}

bool ReadPhotoFile(const std::string& folder, const std::string& name,
                   std::vector<unsigned char>* bytes, std::string* why) {
    return ReadWholeFile(PathOf(folder, name), bytes, why);
}

ShowRequest FolderRequest(const std::string& folder, const PhotoTree& tree) {
    ShowRequest request;
    for (const FolderFile& file : tree.files)
        request.names.push_back(file.name);
    for (const PhotoTree::SubFolder& sub : tree.folders) {
        ChapterFolder chapter;
        chapter.name = sub.name;
        for (const FolderFile& file : sub.files)
            chapter.photos.push_back(file.name);
        request.chapters.push_back(chapter);
    }
    request.read = [folder](const std::string& name, std::vector<unsigned char>* bytes,
                            std::string* why) { return ReadPhotoFile(folder, name, bytes, why); };
    return request;
}

}  // namespace maker
