// A folder of photos held in memory, as the maker's tests give it to the
// maker: its files by name, and a request that lists them and reads them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "maker/BasePictures.h"
#include "maker/ShowMaker.h"

struct MemoryFolder {
    std::map<std::string, std::vector<unsigned char>> files;

    maker::ShowRequest Request(int threads = 1) const {
        maker::ShowRequest request;
        for (const auto& file : files)
            request.names.push_back(file.first);
        request.read = [this](const std::string& name, std::vector<unsigned char>* bytes,
                              std::string* why) {
            auto found = files.find(name);
            if (found == files.end()) {
                *why = "no such file";
                return false;
            }
            *bytes = found->second;
            return true;
        };
        request.basePictures = maker::ModulePictures();
        request.threads = threads;
        return request;
    }
};
