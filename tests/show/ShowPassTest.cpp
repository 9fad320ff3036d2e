// One pass of the show on the virtual clock, where preparation takes no
// time: the operations it makes, in order and on time, what the stage shows
// after each of them, the canvas at checkpoints composed independently from
// the pictures, and where each thread draws.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "support/ShowHarness.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"
#include "show/Stage.h"

namespace {

// The 98 operations of a pass, the four chapter openings expanded.
const char kExpectedCalls[] = R"(ShowPicture 1000 0 0
ShowPicture 1001 195 230
ShowPicture 1002 55 0
ShowPicture 1003 226 0
ShowPicture 1004 396 0
BeginLines 1005 1006
AddHorizontal 54 189 511 0
AddVertical 54 190 290 0
AddVertical 564 190 290 1
RunLines 0
AddHorizontal 135 152 370 1
AddHorizontal 135 441 370 2
AddVertical 135 153 288 2
AddVertical 504 153 288 3
RunLines 0
AddHorizontal 226 226 171 3
AddHorizontal 226 396 171 4
AddVertical 226 227 169 4
AddVertical 396 227 169 5
RunLines 1
PlayFilmstrip 1007 195 95 4 200
FadeStageToBlack
ZoomLogoIn 6000
FadeLogoOut
ZoomLogoIn 6001
FadeLogoOut
ShowPicture 2000 0 0
ShowPicture 2001 230 0
ShowPicture 2002 487 14
ShowPicture 2003 78 249
ShowPicture 2004 0 138
BeginLines 2005 2006
AddHorizontal 0 137 368 0
AddVertical 367 138 342 0
RunLines 0
AddHorizontal 0 249 231 1
AddVertical 230 250 230 1
RunLines 0
AddHorizontal 36 292 143 2
AddHorizontal 36 401 143 3
AddVertical 36 293 108 2
AddVertical 178 293 108 3
RunLines 0
AddHorizontal 62 314 90 4
AddHorizontal 62 379 90 5
AddVertical 62 315 64 4
AddVertical 151 315 64 5
RunLines 1
PlayFilmstrip 2007 42 297 11 110
FadeStageToBlack
ZoomLogoIn 6002
FadeLogoOut
ShowPicture 3000 0 0
ShowPicture 3001 0 0
ShowPicture 3002 0 0
ShowPicture 3003 428 0
PlayFilmstrip 3004 428 0 5 200
FadeStageToBlack
ZoomLogoIn 6003
SwapLogo 6004
SwapLogo 6005
FadeLogoOut
ZoomLogoIn 6006
FadeLogoOut
ShowPicture 4000 0 0
ShowPicture 4001 0 0
ShowPicture 4002 0 0
ShowPicture 4003 1 184
BeginLines 4004 4005
AddHorizontal 435 249 205 0
AddVertical 435 250 230 0
RunLines 0
AddHorizontal 477 324 163 1
AddVertical 477 325 155 1
RunLines 1
PlayFilmstrip 4006 478 325 14 130
FadeStageToBlack
ZoomLogoIn 6007
FadeLogoOut
ShowPicture 5000 0 0
ShowPicture 5001 0 0
ShowPicture 5002 0 0
ShowPicture 5003 0 320
ShowPicture 5004 0 160
BeginLines 5005 5006
AddVertical 82 0 480 0
AddVertical 557 0 480 1
RunLines 0
AddHorizontal 103 179 432 0
AddHorizontal 103 300 432 1
AddVertical 103 180 120 2
AddVertical 534 180 120 3
RunLines 1
PlayFilmstrip 5007 104 201 9 150
ShowPicture 5008 0 160
FadeStageToBlack
ZoomLogoIn 6008
FadeLogoOut
)";

// How long each operation lasts from its start to its last frame.
DWORD NominalDuration(const TracedCall& call) {
    const std::vector<int>& a = call.arguments;
    if (call.name == "ShowPicture" || call.name == "RunLines")
        return 15 * 60;
    if (call.name == "FadeStageToBlack")
        return 1500 + 15 * 60;
    if (call.name == "PlayFilmstrip")
        return DWORD(500 + (a[3] - 1) * a[4]);
    if (call.name == "ZoomLogoIn")
        return 39 * 35;
    if (call.name == "SwapLogo")
        return 1500;
    if (call.name == "FadeLogoOut")
        return 2000 + 15 * 60;
    return 0;  // BeginLines, AddHorizontal, AddVertical draw nothing
}

// What a pass leaves behind for the checks below.
struct PassRecord {
    std::vector<TracedCall> calls;
    std::vector<std::string> mismatches;            // screen differs from what it should show
    std::map<int, std::vector<DWORD>> canvasAfter;  // step -> canvas colours
    std::vector<DWORD> screenAtStart, screenAtNextPass, screenAfterPass;
    std::vector<standin::BlitRecord> blits;
    DWORD renderThread = 0, logoThread = 0;
    int offsetX = 0, offsetY = 0;
};

// The logo as it stands at the stage centre: decoded afresh by its id.
void PasteCentreLogo(std::vector<DWORD>* stagePixels, int logoId) {
    IndexedImage logo(WORD(logoId), stage.palette);
    std::vector<DWORD> colours = Colours(&logo);
    int left = 320 - logo.Width() / 2, top = 240 - logo.Height() / 2;
    for (int y = 0; y < logo.Height(); ++y) {
        for (int x = 0; x < logo.Width(); ++x) {
            (*stagePixels)[size_t(top + y) * kStageWidth + size_t(left + x)] =
                colours[size_t(y) * size_t(logo.Width()) + size_t(x)];
        }
    }
}

PassRecord RunOnePass(DWORD clockStart) {
    PassRecord record;
    TraceRecorder recorder(clockStart);
    {
        ShowRun run(1024, 768, clockStart);
        int centreLogoId = 0;
        recorder.onEnded = [&](const TracedCall& call) {
            if (call.pass != 1)
                return;
            if (call.name == "ZoomLogoIn" || call.name == "SwapLogo") {
                centreLogoId = call.arguments[0];
            } else if (call.name == "FadeLogoOut") {
                centreLogoId = 0;
            }
            if (call.depth == 0)
                record.canvasAfter[call.step] = Colours(stage.canvas);
            if (call.depth == 0 && call.step == 86)
                record.screenAfterPass = ScreenStage(run.window);
            // Lines are in the canvas before they are drawn.
            if (call.name == "AddHorizontal" || call.name == "AddVertical")
                return;
            std::vector<DWORD> expected = Colours(stage.canvas);
            if (centreLogoId != 0)
                PasteCentreLogo(&expected, centreLogoId);
            std::string difference = CompareColours(expected, ScreenStage(run.window), 640);
            if (!difference.empty()) {
                record.mismatches.push_back("after step " + std::to_string(call.step) + " (" +
                                            call.Text() + "): " + difference);
            }
        };
        run.RunUntil(0);
        record.screenAtStart = ScreenStage(run.window);
        run.RunUntil(kPassMs);
        record.screenAtNextPass = ScreenStage(run.window);
        run.RunUntil(kPassMs + 1000);
        record.blits = standin::BlitLog();
        record.renderThread = stage.renderThreadId;
        record.logoThread = stage.logoThreadId;
        record.offsetX = stage.offsetX;
        record.offsetY = stage.offsetY;
        recorder.onEnded = nullptr;
    }
    record.calls = recorder.calls;
    return record;
}

class ShowPass : public testing::Test {
protected:
    static void SetUpTestSuite() { pass = new PassRecord(RunOnePass(kShowClockStart)); }
    static void TearDownTestSuite() {
        delete pass;
        pass = nullptr;
    }
    static PassRecord* pass;
};

PassRecord* ShowPass::pass = nullptr;

std::vector<const TracedCall*> OperationsOfPass(const PassRecord& record, int passNumber) {
    std::vector<const TracedCall*> operations;
    for (const TracedCall& call : record.calls) {
        if (call.pass == passNumber && call.name != "OpenChapter")
            operations.push_back(&call);
    }
    return operations;
}

TEST_F(ShowPass, MakesTheScriptsOperationsInOrder) {
    std::vector<const TracedCall*> operations = OperationsOfPass(*pass, 1);
    std::istringstream expected(kExpectedCalls);
    std::string line;
    size_t i = 0;
    for (; std::getline(expected, line); ++i) {
        ASSERT_LT(i, operations.size()) << "expected operation " << i + 1 << " '" << line
                                        << "', but the pass made only " << operations.size();
        EXPECT_EQ(line, operations[i]->Text()) << "operation " << i + 1;
    }
    EXPECT_EQ(98u, i) << "the expected list itself";
    EXPECT_EQ(98u, operations.size()) << "operations in one pass";
    int steps = 0, openings = 0;
    for (const TracedCall& call : pass->calls) {
        if (call.pass == 1 && call.depth == 0)
            ++steps;
        if (call.pass == 1 && call.name == "OpenChapter")
            ++openings;
    }
    EXPECT_EQ(86, steps) << "steps in one pass";
    EXPECT_EQ(4, openings) << "chapter openings in one pass";
}

// Every operation starts when the one before it ends and lasts its nominal
// time; the next pass starts 84,245 ms after the first.
void ExpectPassOnTime(const PassRecord& record) {
    std::vector<const TracedCall*> operations = OperationsOfPass(record, 1);
    ASSERT_EQ(98u, operations.size()) << "operations in one pass";
    DWORD expectedStart = 0;
    for (const TracedCall* call : operations) {
        EXPECT_EQ(expectedStart, call->start)
            << call->Text() << " (step " << call->step << ") should start when the one before ends";
        EXPECT_EQ(NominalDuration(*call), call->end - call->start)
            << call->Text() << " (step " << call->step << ") lasted from " << call->start << " to "
            << call->end << " ms";
        expectedStart = call->end;
    }
    EXPECT_EQ(kPassMs, expectedStart) << "end of the last operation of the pass";
    std::vector<const TracedCall*> next = OperationsOfPass(record, 2);
    ASSERT_FALSE(next.empty()) << "the second pass never began";
    EXPECT_EQ("ShowPicture 1000 0 0", next[0]->Text()) << "first operation of the second pass";
    EXPECT_EQ(kPassMs, next[0]->start) << "start of the second pass";
}

TEST_F(ShowPass, LastsExactly84245MsWithEveryOperationOnTime) {
    ExpectPassOnTime(*pass);
}

TEST_F(ShowPass, StageShowsTheCanvasAfterEveryOperation) {
    // Except while added lines wait for their run and while a centre logo
    // is up, when the logo stands over the canvas.
    for (const std::string& mismatch : pass->mismatches)
        ADD_FAILURE() << mismatch;
    EXPECT_EQ(98u - 33u, [] {
        size_t compared = 0;
        for (const TracedCall* call : OperationsOfPass(*pass, 1)) {
            if (call->name != "AddHorizontal" && call->name != "AddVertical")
                ++compared;
        }
        return compared;
    }()) << "operations after which the stage was compared";
}

TEST_F(ShowPass, EveryPassStartsFromBlack) {
    ASSERT_TRUE(pass->canvasAfter.count(84) && pass->canvasAfter.count(86));
    std::vector<DWORD> black(size_t(kStageWidth) * kStageHeight, 0);
    EXPECT_EQ("", CompareColours(black, pass->canvasAfter[84], 640)) << "canvas after step 84";
    EXPECT_EQ("", CompareColours(black, pass->canvasAfter[86], 640))
        << "canvas at the end of the pass, where the next one starts";
    EXPECT_EQ("", CompareColours(black, pass->screenAfterPass, 640))
        << "stage on screen at the end of the pass";
    EXPECT_EQ("", CompareColours(pass->screenAtStart, pass->screenAtNextPass, 640))
        << "the first frame of the second pass against that of the first";
}

TEST_F(ShowPass, RenderThreadDrawsOnlyInsideTheStageAndLogoThreadOnlyBesideIt) {
    const int ox = pass->offsetX, oy = pass->offsetY;
    size_t fromRender = 0, fromLogo = 0;
    for (const standin::BlitRecord& blit : pass->blits) {
        const RECT& r = blit.rect;
        if (blit.threadId == pass->renderThread) {
            ++fromRender;
            EXPECT_TRUE(r.left >= ox && r.top >= oy && r.right <= ox + 640 && r.bottom <= oy + 480)
                << "render thread drew (" << r.left << ", " << r.top << ")-(" << r.right << ", "
                << r.bottom << ") at " << blit.time << ", outside the stage";
        } else if (blit.threadId == pass->logoThread) {
            ++fromLogo;
            EXPECT_TRUE(r.left == ox + 640 && r.top == oy + 480 && r.right == ox + 720 &&
                        r.bottom == oy + 534)
                << "logo thread drew (" << r.left << ", " << r.top << ")-(" << r.right << ", "
                << r.bottom << ") instead of the 80 x 54 corner beyond the stage";
        } else {
            ADD_FAILURE() << "a blit from thread " << blit.threadId
                          << ", which is neither show thread";
        }
    }
    EXPECT_GT(fromRender, 1000u) << "blits of the render thread in one pass";
    // 123 entries a cycle of 13 s from 0 to 85,245 ms: six whole cycles,
    // then entries at 78,000 to 85,200 ms.
    EXPECT_EQ(6u * 123u + 73u, fromLogo) << "blits of the logo thread";
}

// ---- The canvas at checkpoints, composed from the pictures themselves ----

// An expected canvas, built by placing pictures, line pixels and filmstrip
// frames as the script's tables say.
class Composition {
public:
    Composition() : palette(4098, 256), canvas(640, 480, 1, &palette) {}
    virtual ~Composition() = default;

    virtual void Picture(int id, int x, int y) {
        IndexedImage picture(WORD(id), &palette);
        Place(&picture, 0, 0, picture.Width(), picture.Height(), x, y);
    }
    // Row `row` of picture `id`, its first `length` pixels, at (x, y).
    virtual void Horizontal(int id, int row, int x, int y, int length) {
        IndexedImage source(WORD(id), &palette);
        Place(&source, 0, row, length, 1, x, y);
    }
    virtual void Vertical(int id, int column, int x, int y, int length) {
        IndexedImage source(WORD(id), &palette);
        Place(&source, column, 0, 1, length, x, y);
    }
    virtual void LastFrame(int id, int frames, int x, int y) {
        IndexedImage strip(WORD(id), &palette);
        int frameHeight = strip.Height() / frames;
        Place(&strip, 0, (frames - 1) * frameHeight, strip.Width(), frameHeight, x, y);
    }
    virtual std::vector<DWORD> Result() { return Colours(&canvas); }

private:
    void Place(IndexedImage* from, int fromX, int fromY, int width, int height, int x, int y) {
        ASSERT_GT(from->Width(), 0) << "a picture of the composition did not decode";
        for (int row = 0; row < height; ++row) {
            const BYTE* source = from->PixelAddress(fromX, fromY + row + 1);
            BYTE* target = canvas.PixelAddress(x, y + row + 1);
            for (int column = 0; column < width; ++column)
                target[column] = source[column];
        }
    }

    ShowPalette palette;
    IndexedImage canvas;
};

void ChapterOneUpToStep5(Composition* c) {
    c->Picture(1000, 0, 0);
    c->Picture(1001, 195, 230);
    c->Picture(1002, 55, 0);
    c->Picture(1003, 226, 0);
    c->Picture(1004, 396, 0);
}

void ChapterOneLines(Composition* c) {
    c->Horizontal(1005, 0, 54, 189, 511);
    c->Vertical(1006, 0, 54, 190, 290);
    c->Vertical(1006, 1, 564, 190, 290);
    c->Horizontal(1005, 1, 135, 152, 370);
    c->Horizontal(1005, 2, 135, 441, 370);
    c->Vertical(1006, 2, 135, 153, 288);
    c->Vertical(1006, 3, 504, 153, 288);
    c->Horizontal(1005, 3, 226, 226, 171);
    c->Horizontal(1005, 4, 226, 396, 171);
    c->Vertical(1006, 4, 226, 227, 169);
    c->Vertical(1006, 5, 396, 227, 169);
}

void ExpectCanvasAfterStep(int step, Composition* expected, const PassRecord& record) {
    auto found = record.canvasAfter.find(step);
    ASSERT_NE(found, record.canvasAfter.end()) << "no canvas recorded after step " << step;
    EXPECT_EQ("", CompareColours(expected->Result(), found->second, 640))
        << "canvas after step " << step;
}

TEST_F(ShowPass, CanvasHoldsTheComposedPicturesAtCheckpoints) {
    Composition afterStep5;
    ChapterOneUpToStep5(&afterStep5);
    ExpectCanvasAfterStep(5, &afterStep5, *pass);

    Composition afterStep20;
    ChapterOneUpToStep5(&afterStep20);
    ChapterOneLines(&afterStep20);
    ExpectCanvasAfterStep(20, &afterStep20, *pass);

    Composition afterStep21;
    ChapterOneUpToStep5(&afterStep21);
    ChapterOneLines(&afterStep21);
    afterStep21.LastFrame(1007, 4, 195, 95);
    ExpectCanvasAfterStep(21, &afterStep21, *pass);

    Composition black;
    ExpectCanvasAfterStep(47, &black, *pass);

    Composition afterStep83;
    afterStep83.Picture(5000, 0, 0);
    afterStep83.Picture(5001, 0, 0);
    afterStep83.Picture(5002, 0, 0);
    afterStep83.Picture(5003, 0, 320);
    afterStep83.Picture(5004, 0, 160);
    afterStep83.Vertical(5006, 0, 82, 0, 480);
    afterStep83.Vertical(5006, 1, 557, 0, 480);
    afterStep83.Horizontal(5005, 0, 103, 179, 432);
    afterStep83.Horizontal(5005, 1, 103, 300, 432);
    afterStep83.Vertical(5006, 2, 103, 180, 120);
    afterStep83.Vertical(5006, 3, 534, 180, 120);
    afterStep83.LastFrame(5007, 9, 104, 201);
    afterStep83.Picture(5008, 0, 160);
    ExpectCanvasAfterStep(83, &afterStep83, *pass);

    ExpectCanvasAfterStep(84, &black, *pass);
}

// The clock wraps through 0 during the pass; nothing of its timing changes.
TEST(ShowPassAcrossClockWrap, LastsExactly84245Ms) {
    ExpectPassOnTime(RunOnePass(0xFFFFFFFFu - 30000u));
}

}  // namespace
