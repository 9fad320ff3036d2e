#include "web/ProgramChoice.h"

#include <unistd.h>

#include <climits>

#include "standin/ProgramFile.h"
#include "standin/StandIn.h"
#include "show/ShowResources.h"

ProgramChoice::~ProgramChoice() = default;

std::string ProgramChoice::Open(const std::string& path) {
    std::string error;
    if (standin::OpenProgramFile(path.c_str(), ShowResources(), CheckPassPictures, &error)) {
        // Taken again from wherever the page is when a later file fails.
        char folder[PATH_MAX];
        current = path;
        if (!path.empty() && path[0] != '/' && getcwd(folder, sizeof folder) != nullptr)
            current = std::string(folder) + "/" + path;
        return "";
    }
    // A file that lacks resources leaves the built-in set in use; the show
    // that plays may come from another file, so that one is taken again.
    if (!current.empty())
        standin::UseProgramFile(current.c_str(), nullptr);
    return error;
}
