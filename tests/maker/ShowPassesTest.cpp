// Shows made from many photos and from a folder of folders, played by the
// real show on the virtual clock: 100 photos shown pass by pass, each once
// before any comes again, in name order and shuffled, with the passes as
// long as ever; five sub-folders giving five chapters their photos and
// titles.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "standin/StandIn.h"
#include "maker/BasePictures.h"
#include "maker/DecodePicture.h"
#include "maker/EncodePicture.h"
#include "maker/FaceFolder.h"
#include "maker/ShowMaker.h"
#include "maker/MemoryFolder.h"
#include "support/ShowHarness.h"

namespace {

using Bytes = std::vector<unsigned char>;

const int kPlaces = 24;

// A small photo of one flat colour, different for every `index`.
Bytes FlatPhoto(int index) {
    maker::RgbImage image;
    image.width = 48;
    image.height = 36;
    unsigned char colour[3] = {(unsigned char)(index * 37), (unsigned char)(index * 91),
                               (unsigned char)(index * 53)};
    for (int i = 0; i < image.width * image.height; ++i)
        image.pixels.insert(image.pixels.end(), colour, colour + 3);
    Bytes jpeg;
    std::string why;
    EXPECT_TRUE(maker::EncodePicture(image, false, &jpeg, &why)) << why;
    return jpeg;
}

std::string Name(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "photo-%03d.jpg", index);
    return name;
}

// The photo each ShowPicture of `passes` passes of the show showed, pass by
// pass, with the resources made served in place of the program's own.
std::vector<std::vector<std::string>> PlayPasses(const maker::ShowResult& made, int passes,
                                                 std::vector<DWORD>* passStarts) {
    std::map<int, std::string> photo;
    for (const maker::SlotUse& use : made.plan)
        photo[use.id] = use.name;
    for (const auto& entry : made.resources)
        standin::ReplaceResource(WORD(ULONG_PTR(RT_RCDATA)), WORD(entry.first), entry.second.data(),
                                 DWORD(entry.second.size()));
    std::vector<std::vector<std::string>> shown(static_cast<size_t>(passes));
    {
        TraceRecorder recorder;
        ShowRun run(640, 480, kShowClockStart, false);
        run.RunUntil(DWORD(passes) * kPassMs);
        for (const TracedCall& call : recorder.calls) {
            if (call.step == 1 && call.depth == 0 && passStarts != nullptr)
                passStarts->push_back(call.start);
            if (call.name == "ShowPicture" && call.pass <= passes) {
                auto found = photo.find(call.arguments[0]);
                shown[size_t(call.pass - 1)].push_back(
                    found != photo.end() ? found->second
                                         : "(picture " + std::to_string(call.arguments[0]) + ")");
            }
        }
    }
    standin::RestoreResources();
    return shown;
}

// The first `count` places of the passes show `count` different photos, the
// rest of the passes only photos already shown, and the pass after them
// starts the round again.
void ExpectEachOnceBeforeAnyAgain(const std::vector<std::vector<std::string>>& shown,
                                  const std::vector<std::string>& photos, int roundPasses) {
    std::vector<std::string> places;
    for (int pass = 0; pass < roundPasses; ++pass) {
        ASSERT_EQ(size_t(kPlaces), shown[size_t(pass)].size()) << "pass " << pass + 1;
        places.insert(places.end(), shown[size_t(pass)].begin(), shown[size_t(pass)].end());
    }
    std::vector<std::string> first(places.begin(), places.begin() + long(photos.size()));
    std::vector<std::string> sorted = first;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> all = photos;
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, sorted) << "every photo exactly once in the first " << photos.size()
                           << " places";
    std::set<std::string> seen(first.begin(), first.end());
    for (size_t k = photos.size(); k < places.size(); ++k)
        EXPECT_EQ(1u, seen.count(places[k])) << "place " << k << " shows " << places[k];
    EXPECT_EQ(shown[0], shown[size_t(roundPasses)]) << "the round starts again";
}

class ShowPasses : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (int i = 0; i < 100; ++i) {
            folder.files[Name(i)] = FlatPhoto(i);
            names.push_back(Name(i));
        }
    }

    // The hundred photos, with the lettering's faces.
    static maker::ShowRequest Request() {
        maker::ShowRequest request = folder.Request(2);
        request.faces = maker::ReadShowFace;
        return request;
    }

    static MemoryFolder folder;
    static std::vector<std::string> names;
};

MemoryFolder ShowPasses::folder;
std::vector<std::string> ShowPasses::names;

TEST_F(ShowPasses, HundredPhotosEachOnceInFivePassesInNameOrder) {
    maker::ShowRequest request = Request();
    maker::ShowResult made;
    std::string why;
    ASSERT_EQ(maker::MakeOutcome::Made, maker::MakeShow(request, &made, &why)) << why;
    EXPECT_EQ(5, made.passes);
    EXPECT_EQ(100u, made.plan.size()) << "one picture for each photo";
    EXPECT_EQ(1u, made.resources.count(maker::kFirstPassPicture + 75));
    EXPECT_EQ(0u, made.resources.count(maker::kFirstPassPicture + 76));

    std::vector<DWORD> starts;
    auto shown = PlayPasses(made, 6, &starts);
    ExpectEachOnceBeforeAnyAgain(shown, names, 5);
    std::vector<std::string> inOrder;
    for (int pass = 0; pass < 5; ++pass)
        inOrder.insert(inOrder.end(), shown[size_t(pass)].begin(), shown[size_t(pass)].end());
    EXPECT_TRUE(std::equal(names.begin(), names.end(), inOrder.begin())) << "in name order";
    EXPECT_EQ(Name(24), shown[1][0]) << "the second pass opens with the 25th photo";
    ASSERT_GE(starts.size(), 6u);
    for (size_t pass = 0; pass < 6; ++pass)
        EXPECT_EQ(DWORD(pass) * kPassMs, starts[pass]) << "pass " << pass + 1 << " on time";
}

TEST_F(ShowPasses, HundredPhotosShuffledEachOnceInFivePasses) {
    maker::ShowRequest request = Request();
    request.shuffle = true;
    request.seed = 7;
    maker::ShowResult made;
    std::string why;
    ASSERT_EQ(maker::MakeOutcome::Made, maker::MakeShow(request, &made, &why)) << why;
    auto shown = PlayPasses(made, 6, nullptr);
    ExpectEachOnceBeforeAnyAgain(shown, names, 5);
    std::vector<std::string> order;
    for (int pass = 0; pass < 5; ++pass)
        order.insert(order.end(), shown[size_t(pass)].begin(), shown[size_t(pass)].end());
    EXPECT_FALSE(std::equal(names.begin(), names.end(), order.begin())) << "not in name order";

    maker::ShowResult again;
    ASSERT_EQ(maker::MakeOutcome::Made, maker::MakeShow(request, &again, &why)) << why;
    EXPECT_TRUE(again.resources == made.resources) << "the same seed, the same show";
}

TEST_F(ShowPasses, FiveFoldersMakeFiveChaptersWithTheirNamesAsTitles) {
    const char* days[] = {"Day 1",         "Day 2 Alfama", "Day 3 Sintra",
                          "Day 4 Cascais", "Day 5 Porto",  "Day 6 left out"};
    maker::ShowRequest request = Request();
    MemoryFolder nested;
    for (int day = 0; day < 6; ++day) {
        maker::ChapterFolder chapter;
        chapter.name = days[day];
        for (int i = 0; i < 6; ++i) {
            std::string name = std::string(days[day]) + "/" + Name(i);
            nested.files[name] = FlatPhoto(day * 6 + i);
            chapter.photos.push_back(name);
        }
        request.chapters.push_back(chapter);
    }
    request.names.clear();
    request.read = nested.Request().read;
    request.words.name = "Lisbon 2026";
    request.words.titles[4] = "Cascais at last";
    maker::ShowResult made;
    std::string why;
    ASSERT_EQ(maker::MakeOutcome::Made, maker::MakeShow(request, &made, &why)) << why;
    for (const maker::SlotUse& use : made.plan) {
        std::string folderName = days[use.slot / 1000 - 1];
        EXPECT_EQ(folderName + "/", use.name.substr(0, folderName.size() + 1))
            << "slot " << use.slot << " shows " << use.name;
    }
    bool toldLeftOut = false;
    for (const std::string& warning : made.warnings)
        toldLeftOut = toldLeftOut || warning.find("Day 6 left out") != std::string::npos;
    EXPECT_TRUE(toldLeftOut) << "the sixth folder is said to be left out";

    // The titles are those lettered from the folders' names, the name and
    // the title given; the line after chapter 1 and the closing line stay.
    maker::ShowWords words;
    words.name = "Lisbon 2026";
    words.titles[2] = "Day 2 Alfama";
    words.titles[3] = "Day 3 Sintra";
    words.titles[4] = "Cascais at last";
    words.titles[5] = "Day 5 Porto";
    std::map<int, maker::RgbImage> lettered;
    ASSERT_TRUE(maker::LetterWords(words, maker::ReadShowFace, &lettered, &why)) << why;
    for (int id : {6001, 6002, 6003, 6004, 6005, 6006, 6007}) {
        ASSERT_EQ(1u, made.resources.count(id)) << id;
        Bytes jpeg;
        ASSERT_TRUE(maker::EncodePicture(lettered.at(id), true, &jpeg, &why)) << why;
        EXPECT_EQ(jpeg, made.resources.at(id)) << "title picture " << id;
        maker::PictureFacts facts;
        ASSERT_TRUE(maker::DecodePicture(jpeg.data(), jpeg.size(), &facts, nullptr, &why));
        EXPECT_TRUE(facts.grey) << id;
    }
    EXPECT_EQ(0u, made.resources.count(6000));
    EXPECT_EQ(0u, made.resources.count(6008));
}

}  // namespace
