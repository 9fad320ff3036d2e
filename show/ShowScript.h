// The show script: five chapters of pictures, frame lines and filmstrips,
// with centre logos between them, as one fixed table of 86 steps that the
// render thread plays from first to last, over and over. A pass starts and
// ends on a black stage.
#pragma once

enum class ShowOperation {
    ShowPicture,       // resourceId, x, y
    FadeStageToBlack,  // -
    BeginLines,        // horizontalSourceId, verticalSourceId
    AddHorizontal,     // x, y, length, sourceRow (on lineGroup)
    AddVertical,       // x, y, length, sourceColumn (on lineGroup)
    RunLines,          // finish
    PlayFilmstrip,     // resourceId, x, y, frameCount, frameDelayMs
    ZoomLogoIn,        // resourceId
    SwapLogo,          // resourceId
    FadeLogoOut,       // -
    OpenChapter,       // logoId, backgroundId, pictureId, pictureX
};

struct ShowStep {
    ShowOperation operation;
    int arguments[5];  // in the order of the comments above; unused ones 0
};

const int kShowStepCount = 86;
extern const ShowStep kShowScript[kShowStepCount];

// Runs one step; it returns when the step's last frame is on screen.
void PlayShowStep(const ShowStep& step);
// Runs steps 1 to 86 in order, the pictures of a personal show's places
// those of the pass (stage.pass), and counts the pass.
void PlayShowPass();
