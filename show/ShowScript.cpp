// The script table and the dispatch of its steps to the scene operations.
#include "show/ShowScript.h"

#include "effects/LineFadeGroup.h"
#include "show/PassPictures.h"
#include "show/SceneOperations.h"
#include "show/ShowTrace.h"
#include "show/Stage.h"

namespace {

using Op = ShowOperation;

// The picture a place of the script shows in the pass being played.
int PassPicture(int id) {
    return stage.passPictures != nullptr ? stage.passPictures->Picture(id, stage.pass) : id;
}

}  // namespace

const ShowStep kShowScript[kShowStepCount] = {
    // Chapter 1: background, a picture and three tiles; an open frame, a
    // rectangle and a square of lines; a filmstrip; logo 6000.
    {Op::ShowPicture, {1000, 0, 0}},               // 1
    {Op::ShowPicture, {1001, 195, 230}},           // 2
    {Op::ShowPicture, {1002, 55, 0}},              // 3
    {Op::ShowPicture, {1003, 226, 0}},             // 4
    {Op::ShowPicture, {1004, 396, 0}},             // 5
    {Op::BeginLines, {1005, 1006}},                // 6
    {Op::AddHorizontal, {54, 189, 511, 0}},        // 7
    {Op::AddVertical, {54, 190, 290, 0}},          // 8
    {Op::AddVertical, {564, 190, 290, 1}},         // 9
    {Op::RunLines, {0}},                           // 10
    {Op::AddHorizontal, {135, 152, 370, 1}},       // 11
    {Op::AddHorizontal, {135, 441, 370, 2}},       // 12
    {Op::AddVertical, {135, 153, 288, 2}},         // 13
    {Op::AddVertical, {504, 153, 288, 3}},         // 14
    {Op::RunLines, {0}},                           // 15
    {Op::AddHorizontal, {226, 226, 171, 3}},       // 16
    {Op::AddHorizontal, {226, 396, 171, 4}},       // 17
    {Op::AddVertical, {226, 227, 169, 4}},         // 18
    {Op::AddVertical, {396, 227, 169, 5}},         // 19
    {Op::RunLines, {1}},                           // 20
    {Op::PlayFilmstrip, {1007, 195, 95, 4, 200}},  // 21
    {Op::FadeStageToBlack, {}},                    // 22
    {Op::ZoomLogoIn, {6000}},                      // 23
    {Op::FadeLogoOut, {}},                         // 24
    // Chapter 2: three small pictures, two corner lines, two nested
    // rectangles, a filmstrip in the lower left.
    {Op::OpenChapter, {6001, 2000, 2001, 230}},     // 25
    {Op::ShowPicture, {2002, 487, 14}},             // 26
    {Op::ShowPicture, {2003, 78, 249}},             // 27
    {Op::ShowPicture, {2004, 0, 138}},              // 28
    {Op::BeginLines, {2005, 2006}},                 // 29
    {Op::AddHorizontal, {0, 137, 368, 0}},          // 30
    {Op::AddVertical, {367, 138, 342, 0}},          // 31
    {Op::RunLines, {0}},                            // 32
    {Op::AddHorizontal, {0, 249, 231, 1}},          // 33
    {Op::AddVertical, {230, 250, 230, 1}},          // 34
    {Op::RunLines, {0}},                            // 35
    {Op::AddHorizontal, {36, 292, 143, 2}},         // 36
    {Op::AddHorizontal, {36, 401, 143, 3}},         // 37
    {Op::AddVertical, {36, 293, 108, 2}},           // 38
    {Op::AddVertical, {178, 293, 108, 3}},          // 39
    {Op::RunLines, {0}},                            // 40
    {Op::AddHorizontal, {62, 314, 90, 4}},          // 41
    {Op::AddHorizontal, {62, 379, 90, 5}},          // 42
    {Op::AddVertical, {62, 315, 64, 4}},            // 43
    {Op::AddVertical, {151, 315, 64, 5}},           // 44
    {Op::RunLines, {1}},                            // 45
    {Op::PlayFilmstrip, {2007, 42, 297, 11, 110}},  // 46
    {Op::FadeStageToBlack, {}},                     // 47
    // Chapter 3: full-height strips left and right, a filmstrip over the
    // right one; logos 6003 to 6005.
    {Op::OpenChapter, {6002, 3000, 3001, 0}},     // 48
    {Op::ShowPicture, {3002, 0, 0}},              // 49
    {Op::ShowPicture, {3003, 428, 0}},            // 50
    {Op::PlayFilmstrip, {3004, 428, 0, 5, 200}},  // 51
    {Op::FadeStageToBlack, {}},                   // 52
    {Op::ZoomLogoIn, {6003}},                     // 53
    {Op::SwapLogo, {6004}},                       // 54
    {Op::SwapLogo, {6005}},                       // 55
    {Op::FadeLogoOut, {}},                        // 56
    // Chapter 4: a top band and a picture below it, two nested corner
    // lines and a filmstrip at the lower right.
    {Op::OpenChapter, {6006, 4000, 4001, 0}},        // 57
    {Op::ShowPicture, {4002, 0, 0}},                 // 58
    {Op::ShowPicture, {4003, 1, 184}},               // 59
    {Op::BeginLines, {4004, 4005}},                  // 60
    {Op::AddHorizontal, {435, 249, 205, 0}},         // 61
    {Op::AddVertical, {435, 250, 230, 0}},           // 62
    {Op::RunLines, {0}},                             // 63
    {Op::AddHorizontal, {477, 324, 163, 1}},         // 64
    {Op::AddVertical, {477, 325, 155, 1}},           // 65
    {Op::RunLines, {1}},                             // 66
    {Op::PlayFilmstrip, {4006, 478, 325, 14, 130}},  // 67
    {Op::FadeStageToBlack, {}},                      // 68
    // Chapter 5: bands at the top and bottom, a picture between them, two
    // full-height lines and a rectangle, a filmstrip covered by a picture;
    // logo 6008.
    {Op::OpenChapter, {6007, 5000, 5001, 0}},       // 69
    {Op::ShowPicture, {5002, 0, 0}},                // 70
    {Op::ShowPicture, {5003, 0, 320}},              // 71
    {Op::ShowPicture, {5004, 0, 160}},              // 72
    {Op::BeginLines, {5005, 5006}},                 // 73
    {Op::AddVertical, {82, 0, 480, 0}},             // 74
    {Op::AddVertical, {557, 0, 480, 1}},            // 75
    {Op::RunLines, {0}},                            // 76
    {Op::AddHorizontal, {103, 179, 432, 0}},        // 77
    {Op::AddHorizontal, {103, 300, 432, 1}},        // 78
    {Op::AddVertical, {103, 180, 120, 2}},          // 79
    {Op::AddVertical, {534, 180, 120, 3}},          // 80
    {Op::RunLines, {1}},                            // 81
    {Op::PlayFilmstrip, {5007, 104, 201, 9, 150}},  // 82
    {Op::ShowPicture, {5008, 0, 160}},              // 83
    {Op::FadeStageToBlack, {}},                     // 84
    {Op::ZoomLogoIn, {6008}},                       // 85
    {Op::FadeLogoOut, {}},                          // 86
};

void PlayShowStep(const ShowStep& step) {
    const int* a = step.arguments;
    switch (step.operation) {
        case Op::ShowPicture:
            ShowPicture(PassPicture(a[0]), a[1], a[2]);
            break;
        case Op::FadeStageToBlack:
            FadeStageToBlack();
            break;
        case Op::BeginLines:
            BeginLines(a[0], a[1]);
            break;
        case Op::AddHorizontal: {
            TracedOperation trace("AddHorizontal", a, 4);
            // No group when its BeginLines was skipped.
            if (stage.lineGroup != nullptr)
                stage.lineGroup->AddHorizontal(a[0], a[1], a[2], a[3]);
            break;
        }
        case Op::AddVertical: {
            TracedOperation trace("AddVertical", a, 4);
            if (stage.lineGroup != nullptr)
                stage.lineGroup->AddVertical(a[0], a[1], a[2], a[3]);
            break;
        }
        case Op::RunLines:
            RunLines(a[0]);
            break;
        case Op::PlayFilmstrip:
            PlayFilmstrip(a[0], a[1], a[2], a[3], a[4]);
            break;
        case Op::ZoomLogoIn:
            ZoomLogoIn(a[0]);
            break;
        case Op::SwapLogo:
            SwapLogo(a[0]);
            break;
        case Op::FadeLogoOut:
            FadeLogoOut();
            break;
        case Op::OpenChapter:
            OpenChapter(a[0], PassPicture(a[1]), PassPicture(a[2]), a[3]);
            break;
    }
}

void PlayShowPass() {
    for (const ShowStep& step : kShowScript)
        PlayShowStep(step);
    ++stage.pass;
}
