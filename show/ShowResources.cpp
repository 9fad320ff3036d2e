// The show's resource list, read off the script itself so that a new step
// can never be forgotten here.
#include "show/ShowResources.h"

#include <set>

#include "show/PassPictures.h"
#include "show/ShowScript.h"
#include "show/Stage.h"

std::vector<WORD> ShowResources() {
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
    return std::vector<WORD>(ids.begin(), ids.end());
}

bool CheckPassPictures(std::string* why) {
    std::string problem;
    delete PassPictures::Read(&problem);
    if (problem.empty())
        return true;
    *why = problem;
    return false;
}
