// A folder of photos as the native front ends read it: its regular files
// (symbolic links followed) whose names do not start with '.', and each
// file's bytes (plan files and kept shows are read the same way). The maker itself never touches
// the file system; the page gets its files from the browser instead.
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

// False with a message when `folder` is not a folder that can be read.
bool ListPhotoFolder(const std::string& folder, std::vector<FolderFile>* files, std::string* why);

// The whole of the file at `path`; false with a one-line reason. Files
// larger than any photo the maker takes are refused unread.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* why);

// The whole of file `name` of `folder`, as ReadWholeFile.
bool ReadPhotoFile(const std::string& folder, const std::string& name,
                   std::vector<unsigned char>* bytes, std::string* why);

// The maker's request for the photos of `folder` as listed: their names,
// each read from the folder when the maker needs it.
ShowRequest FolderRequest(const std::string& folder, const std::vector<FolderFile>& files);

}  // namespace maker
