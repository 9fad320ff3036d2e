// Opening another program file: the resource table is read by
// UseProgramFile, and what must be in it is the caller's knowledge.
#include "ProgramFile.h"

#include "StandIn.h"

namespace standin {

bool OpenProgramFile(const char* path, const std::vector<WORD>& required, std::string* error) {
    return OpenProgramFile(path, required, nullptr, error);
}

bool OpenProgramFile(const char* path, const std::vector<WORD>& required,
                     bool (*check)(std::string* why), std::string* error) {
    std::string problem;
    if (!UseProgramFile(path, &problem)) {
        *error = std::string(path) + ": " + problem;
        return false;
    }
    std::string missing;
    for (WORD id : required) {
        if (FindResourceA(NULL, MAKEINTRESOURCEA(id), RT_RCDATA) == NULL)
            missing += (missing.empty() ? " " : ", ") + std::to_string(id);
    }
    problem.clear();
    if (missing.empty() && (check == nullptr || check(&problem)))
        return true;
    UseProgramFile(nullptr, nullptr);
    *error = missing.empty()
                 ? std::string(path) + ": " + problem
                 : std::string(path) + " lacks resources the show needs: RT_RCDATA" + missing;
    return false;
}

}  // namespace standin
