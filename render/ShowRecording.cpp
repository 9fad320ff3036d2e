#include "render/ShowRecording.h"

#include <string>

#include "render/ContactSheet.h"
#include "render/Thumbnails.h"
#include "show/ShowScript.h"

namespace {

// Operations after which the stage holds still and shows something: every
// one that draws, except the fades to black.
bool LeavesSomethingToSee(const std::string& name) {
    return name == "ShowPicture" || name == "RunLines" || name == "PlayFilmstrip" ||
           name == "ZoomLogoIn" || name == "SwapLogo";
}

}  // namespace

ShowRecording::ShowRecording(HWND window) : window(window) {
    recorder.onEnded = [this](const TracedCall& call) { Ended(call); };
}

void ShowRecording::Ended(const TracedCall& call) {
    if (call.pass == 1 && LeavesSomethingToSee(call.name))
        sheet.push_back(StageThumbnail(window, kSheetScale));
    if (call.depth == 0 && call.step == kShowStepCount && passesDone++ == 0)
        passEnd = long(call.end);
}
