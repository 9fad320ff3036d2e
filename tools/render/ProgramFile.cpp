// Playing another Avrel.scr: the stand-in reads the file's resource table,
// and the show's script says which resources must be in it.
#include "ProgramFile.h"

#include <windows.h>

#include <set>

#include "StandIn.h"
#include "show/ShowScript.h"
#include "show/Stage.h"

namespace {

// Every RT_RCDATA resource the show reads: the palette and its colour
// table, the corner logo and each resource the script names.
std::set<WORD> ShowResources() {
    std::set<WORD> ids = {kShowPaletteId, WORD(kShowPaletteId + 1), kCornerLogoId};
    for (const ShowStep& step : kShowScript) {
        const int* a = step.arguments;
        switch (step.operation) {
            case ShowOperation::ShowPicture:
            case ShowOperation::PlayFilmstrip:
            case ShowOperation::ZoomLogoIn:
            case ShowOperation::SwapLogo:
                ids.insert(WORD(a[0]));
                break;
            case ShowOperation::BeginLines:
                ids.insert({WORD(a[0]), WORD(a[1])});
                break;
            case ShowOperation::OpenChapter:
                ids.insert({WORD(a[0]), WORD(a[1]), WORD(a[2])});
                break;
            default:
                break;
        }
    }
    return ids;
}

}  // namespace

bool OpenProgramFile(const char* path, std::string* error) {
    std::string problem;
    if (!standin::UseProgramFile(path, &problem)) {
        *error = std::string(path) + ": " + problem;
        return false;
    }
    std::string missing;
    for (WORD id : ShowResources()) {
        if (FindResourceA(NULL, MAKEINTRESOURCEA(id), RT_RCDATA) == NULL)
            missing += (missing.empty() ? " " : ", ") + std::to_string(id);
    }
    if (missing.empty())
        return true;
    standin::UseProgramFile(nullptr, nullptr);
    *error = std::string(path) + " lacks resources the show needs: RT_RCDATA" + missing;
    return false;
}
