// A made show (the resources MakeShow makes) kept as one block of bytes,
// and served to the show in place of its own. The block is how avrel keeps
// a folder's show between starts, and how the web page hands a show from
// the worker that made it to the show, and carries it in a saved page.
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

// Serves `made` to the show in place of the resources of the same ids, as
// a program file would carry them (the stand-in's resource replacement).
// The bytes are used in place: they must stay while the show plays. Call
// it before the show's threads start.
void ServeShow(const MadeResources& made);

}  // namespace maker
