// Playing an Avrel.scr that the visitor chose or dropped on the page. It
// passes the same check as `avrel -scr`; a file that fails it changes
// nothing, so the show that plays goes on with the pictures it had.
#pragma once

#include <string>

class ProgramChoice {
public:
    virtual ~ProgramChoice();

    // Makes the resource calls serve the program file at `path`. "" when it
    // passed the check (the show must then start again), else the one-line
    // message that `avrel -scr` gives for it.
    virtual std::string Open(const std::string& path);

private:
    std::string current;  // the file that plays (absolute), "" for the built-in set
};
