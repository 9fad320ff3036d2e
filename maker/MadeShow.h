// A made show (the resources MakeShow makes) kept as one block of bytes:
// how avrel keeps a folder's show between starts, and how the web page
// hands a show from the worker that made it to the show, and carries it in
// a saved page.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace maker {

// RT_RCDATA id -> bytes: the pictures, the palette and its colour table
// (ShowResult::resources), or any set of pictures (PictureSet).
using MadeResources = std::map<int, std::vector<unsigned char>>;

// The resources with `key`, a text that says what they were made from.
std::vector<unsigned char> PackShow(const std::string& key, const MadeResources& resources);

// The resources of a block packed with exactly `key`; false when the block
// is damaged, empty or packed with another key.
bool UnpackShow(const unsigned char* bytes, size_t size, const std::string& key,
                MadeResources* resources);

}  // namespace maker
