// The whole show made from photos against the program's own pictures: every
// still-picture slot filled and nothing else, unusable files skipped with
// their reason and the rest taken in turn, a photo of known content where
// the crop rule puts it, a palette designed anew that keeps every rule, and
// the same bytes whatever the number of threads, or of makers sharing the
// pictures (over passes and chapters too).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "maker/BasePictures.h"
#include "maker/ColourTable.h"
#include "maker/DecodePicture.h"
#include "maker/EncodePicture.h"
#include "maker/FaceFolder.h"
#include "maker/ShowMaker.h"
#include "maker/ShowPlan.h"
#include "maker/MemoryFolder.h"

namespace {

using Bytes = std::vector<unsigned char>;

const unsigned char kRed[3] = {255, 0, 0}, kYellow[3] = {255, 255, 0}, kCyan[3] = {0, 255, 255};

// 1200 x 600: red | yellow | cyan | red in columns of 200, 400, 400, 200;
// covering 640 x 480 keeps only the centred 800 x 600, yellow then cyan.
Bytes Stripes() {
    maker::RgbImage image;
    image.width = 1200;
    image.height = 600;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 1200; ++x) {
            const unsigned char* c = x < 200 || x >= 1000 ? kRed : x < 600 ? kYellow : kCyan;
            image.pixels.insert(image.pixels.end(), c, c + 3);
        }
    Bytes jpeg;
    std::string why;
    EXPECT_TRUE(maker::EncodePicture(image, false, &jpeg, &why)) << why;
    return jpeg;
}

// A smooth landscape-like gradient of `width` x `height`.
Bytes Scene(int width, int height, int seed) {
    maker::RgbImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char pixel[3] = {(unsigned char)(x * 255 / width),
                                      (unsigned char)(y * 255 / height),
                                      (unsigned char)((x + y + 40 * seed) % 256)};
            image.pixels.insert(image.pixels.end(), pixel, pixel + 3);
        }
    Bytes jpeg;
    std::string why;
    EXPECT_TRUE(maker::EncodePicture(image, false, &jpeg, &why)) << why;
    return jpeg;
}

using Folder = MemoryFolder;

// The mixed folder a person's card holds: pictures of several sizes, one
// far smaller than its slot, one cut short, one that is text.
Folder Mixed() {
    Folder folder;
    folder.files["03-stripes.jpg"] = Stripes();
    folder.files["01-landscape.jpg"] = Scene(1200, 800, 1);
    folder.files["02-portrait.jpg"] = Scene(600, 900, 2);
    folder.files["08-tiny.jpg"] = Scene(120, 90, 8);
    Bytes broken = Scene(800, 600, 9);
    broken.resize(broken.size() / 3);
    folder.files["09-broken.jpg"] = broken;
    std::string text = "not a picture\n";
    folder.files["10-notes.txt"] = Bytes(text.begin(), text.end());
    return folder;
}

class ShowMaker : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new Folder(Mixed());
        maker::ShowRequest request = folder->Request();
        request.hasPlan = true;
        request.planText = "# the stripes first\n1000 03-stripes.jpg\n";
        request.planName = "plan.txt";
        request.progress = [](const maker::SlotProgress& p) { progress.push_back(p); };
        std::string why;
        outcome = maker::MakeShow(request, &result, &why);
        ASSERT_EQ(maker::MakeOutcome::Made, outcome) << why;
    }
    static void TearDownTestSuite() { delete folder; }

    static Folder* folder;
    static maker::ShowResult result;
    static maker::MakeOutcome outcome;
    static std::vector<maker::SlotProgress> progress;
};

Folder* ShowMaker::folder = nullptr;
maker::ShowResult ShowMaker::result;
maker::MakeOutcome ShowMaker::outcome;
std::vector<maker::SlotProgress> ShowMaker::progress;

TEST_F(ShowMaker, EveryStillPictureSlotIsFilledAndNothingElse) {
    std::vector<int> ids;
    for (const auto& entry : result.resources)
        ids.push_back(entry.first);
    std::vector<int> want = maker::kStageSlots;
    want.push_back(maker::kPaletteId);
    want.push_back(maker::kColourTableId);
    std::sort(want.begin(), want.end());
    EXPECT_EQ(want, ids);
    maker::PictureSet base = maker::ModulePictures();
    for (int slot : maker::kStageSlots) {
        maker::PictureFacts made, shipped;
        std::string why;
        const Bytes& picture = result.resources.at(slot);
        ASSERT_TRUE(maker::DecodePicture(picture.data(), picture.size(), &made, nullptr, &why));
        ASSERT_TRUE(maker::DecodePicture(base.at(slot).data(), base.at(slot).size(), &shipped,
                                         nullptr, &why));
        EXPECT_EQ(shipped.width, made.width) << slot;
        EXPECT_EQ(shipped.height, made.height) << slot;
        EXPECT_FALSE(made.grey) << slot;
        EXPECT_NE(base.at(slot), picture) << slot;
    }
    // slots refilled after a photo was skipped are told again
    ASSERT_GE(progress.size(), 24u);
    EXPECT_EQ(24, progress.back().done);
    EXPECT_EQ(24, progress.back().total);
}

TEST_F(ShowMaker, UnusableFilesAreSkippedWithTheirReasonAndTheRestTakenInTurn) {
    ASSERT_EQ(2u, result.skipped.size());
    EXPECT_EQ("09-broken.jpg", result.skipped[0].first);
    EXPECT_EQ("10-notes.txt", result.skipped[1].first);
    for (const auto& skipped : result.skipped)
        EXPECT_NE("", skipped.second) << skipped.first;
    ASSERT_EQ(24u, result.plan.size());
    EXPECT_EQ("03-stripes.jpg", result.plan[0].name);
    EXPECT_TRUE(result.plan[0].byPlan);
    std::vector<std::string> others;
    for (size_t i = 1; i < result.plan.size(); ++i) {
        others.push_back(result.plan[i].name);
        EXPECT_FALSE(result.plan[i].byPlan);
    }
    std::vector<std::string> turn = {"01-landscape.jpg", "02-portrait.jpg", "08-tiny.jpg"};
    for (size_t i = 0; i < others.size(); ++i)
        EXPECT_EQ(turn[i % 3], others[i]) << "slot " << result.plan[i + 1].slot;
    EXPECT_EQ(211, result.plan[1].width);
    EXPECT_EQ(250, result.plan[1].height);
    bool warned = false;
    for (const std::string& warning : result.warnings)
        warned = warned || warning.find("08-tiny.jpg is much smaller than slot") == 0;
    EXPECT_TRUE(warned) << "a warning for the photo far smaller than its slot";
}

TEST_F(ShowMaker, TheKnownPhotoLandsWhereTheCropRuleSaysAndThePaletteKeepsItsRules) {
    const Bytes& picture = result.resources.at(1000);
    maker::PictureFacts facts;
    maker::RgbImage image;
    std::string why;
    ASSERT_TRUE(maker::DecodePicture(picture.data(), picture.size(), &facts, &image, &why));
    auto near = [&](int x, int y, const unsigned char* colour) {
        const unsigned char* p = &image.pixels[(size_t(y) * 640 + x) * 3];
        for (int c = 0; c < 3; ++c)
            if (std::abs(int(p[c]) - int(colour[c])) > 40)
                return false;
        return true;
    };
    for (int y : {0, 240, 479}) {
        for (int x : {2, 100, 300})
            EXPECT_TRUE(near(x, y, kYellow)) << "(" << x << ", " << y << ") yellow";
        for (int x : {340, 540, 637})
            EXPECT_TRUE(near(x, y, kCyan)) << "(" << x << ", " << y << ") cyan";
    }

    const Bytes& palette = result.resources.at(maker::kPaletteId);
    const Bytes& table = result.resources.at(maker::kColourTableId);
    EXPECT_TRUE(maker::CheckPalette(palette, table, &why)) << why;
    EXPECT_EQ(maker::BuildColourTable(palette), table);
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(maker::kPaletteId), RT_RCDATA);
    ASSERT_TRUE(found != NULL);
    auto* own = static_cast<const unsigned char*>(LockResource(LoadResource(NULL, found)));
    EXPECT_TRUE(std::equal(own, own + 30, palette.begin())) << "entries 0-9 kept";
    EXPECT_TRUE(std::equal(own + 738, own + 768, palette.begin() + 738)) << "246-255 kept";
    EXPECT_FALSE(std::equal(own, own + 768, palette.begin())) << "the palette designed anew";
}

TEST_F(ShowMaker, TheSameFolderGivesTheSameBytesWithAnyNumberOfThreads) {
    for (int threads : {1, 2, 5}) {
        maker::ShowRequest request = folder->Request(threads);
        request.hasPlan = true;
        request.planText = "1000 03-stripes.jpg\n";
        maker::ShowResult again;
        std::string why;
        ASSERT_EQ(maker::MakeOutcome::Made, maker::MakeShow(request, &again, &why)) << why;
        EXPECT_TRUE(again.resources == result.resources) << threads << " threads";
    }
}

// As the page's workers make a show: each fits its share of a round's
// pictures, rounds until none refuses a photo, then one makes the show of
// all they fitted, with no photo read again. The rounds it took.
int MakeInShares(maker::ShowRequest request, int shares, maker::ShowResult* made) {
    int rounds = 0;
    std::vector<maker::SlotProgress> told;
    request.progress = [&](const maker::SlotProgress& p) { told.push_back(p); };
    for (bool refusing = true; refusing; ++rounds) {
        std::vector<maker::FittedSlot> round;
        for (int share = 0; share < shares; ++share) {
            std::vector<maker::FittedSlot> fitted;
            told.clear();
            std::string why;
            EXPECT_TRUE(maker::FitShare(request, share, shares, &fitted, &why)) << why;
            // The share's size before its first photo, for a page adding them up.
            EXPECT_TRUE(!told.empty() && told.front().done == 0 &&
                        told.front().total >= int(fitted.size()) &&
                        told.front().total == told.back().total);
            round.insert(round.end(), fitted.begin(), fitted.end());
        }
        refusing = std::any_of(round.begin(), round.end(),
                               [](const maker::FittedSlot& f) { return !f.why.empty(); });
        request.fitted.insert(request.fitted.end(), round.begin(), round.end());
    }
    int reads = 0;
    auto read = request.read;
    request.read = [&](const std::string& name, Bytes* bytes, std::string* why) {
        ++reads;
        return read(name, bytes, why);
    };
    std::string why;
    EXPECT_EQ(maker::MakeOutcome::Made, maker::MakeShow(request, made, &why)) << why;
    EXPECT_EQ(0, reads) << "every picture fitted beforehand";
    return rounds;
}

TEST_F(ShowMaker, SharesFittedApartGiveTheSameBytesAndReasons) {
    for (int shares : {1, 2, 3}) {
        maker::ShowRequest request = folder->Request();
        request.hasPlan = true;
        request.planText = "1000 03-stripes.jpg\n";
        maker::ShowResult again;
        EXPECT_EQ(2, MakeInShares(request, shares, &again))
            << "the broken file and the text file refused in the first";
        EXPECT_TRUE(again.resources == result.resources) << shares << " shares";
        EXPECT_EQ(result.skipped, again.skipped);
    }
}

// More photos than pictures, in chapters from folders: every pass's
// pictures shared out, and the titles lettered from the folders' names.
TEST_F(ShowMaker, SharesFittedApartOverPassesAndChapters) {
    Folder nested = Mixed();
    maker::ShowRequest request = nested.Request();
    for (const char* day : {"Day 1", "Day 2 Alfama"}) {
        maker::ChapterFolder chapter{day, {}};
        for (int i = 0; i < 16; ++i) {
            std::string name = std::string(day) + "/" + std::to_string(10 + i) + ".jpg";
            nested.files[name] = Scene(160, 120, i + 20 * int(chapter.name.size()));
            chapter.photos.push_back(name);
        }
        request.chapters.push_back(chapter);
    }
    request.faces = maker::ReadShowFace;
    request.shuffle = true;
    request.seed = 3;
    maker::ShowResult whole;
    std::string why;
    ASSERT_EQ(maker::MakeOutcome::Made, maker::MakeShow(request, &whole, &why)) << why;
    ASSERT_GT(whole.passes, 1);
    ASSERT_EQ(1u, whole.resources.count(6001)) << "chapter 2's title from its folder";
    maker::ShowResult shared;
    MakeInShares(request, 2, &shared);
    EXPECT_TRUE(shared.resources == whole.resources);
    EXPECT_EQ(whole.skipped, shared.skipped);
    EXPECT_EQ(whole.passes, shared.passes);
}

TEST(ShowMakerRefusals, NothingUsableAndBadPlansAndBasesAreSaid) {
    Folder junk;
    junk.files["a.txt"] = Bytes(100, 'x');
    junk.files["b.jpg"] = Bytes{0xFF, 0xD8, 0xFF};
    maker::ShowResult result;
    std::string why;
    EXPECT_EQ(maker::MakeOutcome::NoPhotos, maker::MakeShow(junk.Request(), &result, &why));
    EXPECT_EQ(2u, result.skipped.size());
    EXPECT_TRUE(result.resources.empty());

    Folder empty;
    EXPECT_EQ(maker::MakeOutcome::NoPhotos, maker::MakeShow(empty.Request(), &result, &why));

    Folder one;
    one.files["one.jpg"] = Scene(640, 480, 3);
    maker::ShowRequest request = one.Request();
    request.hasPlan = true;
    request.planText = "1005 one.jpg\n";
    request.planName = "my plan";
    EXPECT_EQ(maker::MakeOutcome::Failed, maker::MakeShow(request, &result, &why));
    EXPECT_EQ(0u, why.find("my plan:1: 1005 is not a picture slot")) << why;

    request = one.Request();
    request.basePictures.erase(2003);
    EXPECT_EQ(maker::MakeOutcome::Failed, maker::MakeShow(request, &result, &why));
    EXPECT_NE(std::string::npos, why.find("2003")) << why;
    request = one.Request();
    request.basePictures[5005].resize(40);
    EXPECT_EQ(maker::MakeOutcome::Failed, maker::MakeShow(request, &result, &why));
    EXPECT_NE(std::string::npos, why.find("5005")) << why;
}

}  // namespace
