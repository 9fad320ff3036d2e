// avrel-render show's command line: where the pictures go, the window's
// size and the moments of show time to capture.
#pragma once

#include <string>
#include <vector>

// What `avrel-render show` prints with a bad command line.
extern const char kShowUsage[];

struct ShowOptions {
    std::string out;
    int width = 1024;
    int height = 768;
    long from = 0;
    long to = -1;  // the end of the first pass
    long every = 0;
    std::vector<long> at;
};

// Reads the arguments after `show`. Returns an error message, or "" when
// they are good.
std::string ParseShowOptions(int argc, char** argv, ShowOptions* options);
