// The command line of avrel-custom. ParseCustomOptions only reads: it opens
// nothing and prints nothing, so every form can be tested as it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maker/RgbImage.h"
#include "maker/TitlePictures.h"

struct CustomOptions {
    std::string folder;
    std::string output;  // empty: named after the show, else Avrel.scr
    std::string plan;    // empty: none
    maker::Fit fit = maker::Fit::Cover;
    std::string base;   // empty: the program file installed beside avrel-custom
    std::string words;  // a words file; empty: none
    // Words given on the command line; they win over the words file's.
    maker::ShowWords given;
    bool shuffle = false;
    bool seedGiven = false;
    uint64_t seed = 0;
    bool help = false;
    bool version = false;
};

// Reads `args` (without the program name); "" when they are good, else one
// line saying what is wrong.
std::string ParseCustomOptions(const std::vector<std::string>& args, CustomOptions* options);

extern const char kCustomUsage[];
