// The command line of avrel-custom. ParseCustomOptions only reads: it opens
// nothing and prints nothing, so every form can be tested as it is.
#pragma once

#include <string>
#include <vector>

#include "maker/RgbImage.h"

struct CustomOptions {
    std::string folder;
    std::string output = "Avrel.scr";
    std::string plan;  // empty: none
    maker::Fit fit = maker::Fit::Cover;
    std::string base;  // empty: the program file installed beside avrel-custom
    bool help = false;
    bool version = false;
};

// Reads `args` (without the program name); "" when they are good, else one
// line saying what is wrong.
std::string ParseCustomOptions(const std::vector<std::string>& args, CustomOptions* options);

extern const char kCustomUsage[];
