// A folder of photos as the front ends read it: its regular files (symbolic
// links followed) whose names do not start with '.', the same of each of
// its sub-folders (one level down), and each file's bytes (plan, words and
// face files and kept shows are read the same way). The maker itself never
// touches the file system; the page's maker reads the visitor's files
// through this too, from the folder its worker makes of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maker/ShowMaker.h"

namespace maker {

struct FolderFile {
    std::string name;  // the bytes the folder holds
    uint64_t size = 0;
    int64_t modified = 0;  // nanoseconds since 1970
};

// A photo folder with its sub-folders; the files of a sub-folder are named
// "SUB/NAME", which ReadPhotoFile reads from the folder.
struct PhotoTree {
    std::vector<FolderFile> files;  // beside the sub-folders
    struct SubFolder {
        std::string name;
        std::vector<FolderFile> files;
    };
    std::vector<SubFolder> folders;

    // Every file, the sub-folders' ones included.
    std::vector<FolderFile> AllFiles() const;
};

// False with a message when `folder` is not a folder that can be read; a
// sub-folder that cannot be read holds no files.
bool ListPhotoTree(const std::string& folder, PhotoTree* tree, std::string* why);

// The whole of the file at `path`; false with a one-line reason. Files
// larger than any photo the maker takes are refused unread.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* why);

// The whole of file `name` of `folder`, as ReadWholeFile.
bool ReadPhotoFile(const std::string& folder, const std::string& name,
                   std::vector<unsigned char>* bytes, std::string* why);

// The maker's request for the photos of `folder` as listed: the files
// beside the sub-folders as names, each sub-folder as a chapter, each photo
// read from the folder when the maker needs it.
ShowRequest FolderRequest(const std::string& folder, const PhotoTree& tree);

}  // namespace maker
