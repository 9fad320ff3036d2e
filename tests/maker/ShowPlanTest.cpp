// Which photo goes into which slot: name order as a person expects it
// (letter case aside, names that are not UTF-8 kept and printed escaped),
// plan files with comments, quoted names and '#' in names, and photos taken
// again in turn when there are fewer than slots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maker/NameText.h"
#include "maker/ShowPlan.h"

namespace {

using maker::Plan;

TEST(ShowPlan, NamesSortByFoldedCaseThenByText) {
    std::vector<std::string> names = {"b.jpg",
                                      "B.jpg",
                                      "a10.jpg",
                                      "A2.jpg",
                                      "Stra\xc3\x9f"
                                      "e.jpg",
                                      "STRASSE.jpg",
                                      "\xc3\x89t\xc3\xa9.jpg",
                                      "f\xeate.jpg",
                                      "ea.jpg"};
    maker::SortNames(&names);
    // Folded: a10, a2, b, b, ea, f, strasse, strasse, then U+00C9 folded to
    // U+00E9, above every ASCII letter; names that fold alike by code point.
    std::vector<std::string> want = {"a10.jpg",
                                     "A2.jpg",
                                     "B.jpg",
                                     "b.jpg",
                                     "ea.jpg",
                                     "f\xeate.jpg",
                                     "STRASSE.jpg",
                                     "Stra\xc3\x9f"
                                     "e.jpg",
                                     "\xc3\x89t\xc3\xa9.jpg"};
    EXPECT_EQ(want, names);
}

TEST(ShowPlan, NamesThatAreNotUtf8PrintEscapedAndReadBackWhole) {
    EXPECT_EQ("f\\xeate \\xe0 la plage.jpg", maker::PrintableName("f\xeate \xe0 la plage.jpg"));
    EXPECT_EQ("caf\xc3\xa9.jpg", maker::PrintableName("caf\xc3\xa9.jpg"));
    // a surrogate written in UTF-8, an overlong '/', a cut-short sequence
    EXPECT_EQ("\\xed\\xa0\\x80 \\xc0\\xaf \\xe2\\x82",
              maker::PrintableName("\xed\xa0\x80 \xc0\xaf \xe2\x82"));
    for (std::string name : {"f\xeate.jpg", "\xff\xfe", "caf\xc3\xa9", "\xf0\x9f\x98\x80 ok"})
        EXPECT_EQ(name, maker::EncodeName(maker::DecodeName(name)));
}

std::string Read(const std::string& text, const std::vector<std::string>& names, Plan* plan) {
    std::string why;
    if (maker::ReadPlan(text, "plan.txt", names, plan, &why))
        return "";
    EXPECT_NE("", why);
    EXPECT_EQ(std::string::npos, why.find('\n')) << "one line: " << why;
    return why;
}

TEST(ShowPlan, PlanFilesNameSlotsAndPhotos) {
    std::vector<std::string> names = {"03-stripes.png", "01-landscape.jpg"};
    Plan plan;
    EXPECT_EQ("", Read("# my show\n1000 03-stripes.png\n  # sunset next\n"
                       "3001 \"01-landscape.jpg\"  # sunset\n",
                       names, &plan));
    EXPECT_EQ((Plan{{1000, "03-stripes.png"}, {3001, "01-landscape.jpg"}}), plan);

    struct Bad {
        const char* line;
        const char* message;
    };
    const Bad bad[] = {
        {"1005 01-landscape.jpg", "plan.txt:2: 1005 is not a picture slot (slots: 1000 1001"},
        {"0099999999999 01-landscape.jpg", "99999999999 is not a picture slot"},
        {"1000 missing.jpg", "plan.txt:2: no photo named 'missing.jpg' in the folder"},
        {"1000 01-landscape.jpg  # sunset", "only at the start"},
        {"1000 \"01-landscape.jpg\" sunset", "only a '#' comment"},
        {"1000 \"01-landscape.jpg", "a quoted name ends"},
        {"one two", "expected 'SLOT NAME', got 'one two'"},
        {"1000", "expected 'SLOT NAME'"},
    };
    for (const Bad& b : bad) {
        std::string why = Read(std::string("\n") + b.line + "\n", names, &plan);
        EXPECT_NE(std::string::npos, why.find(b.message)) << b.line << " gave: " << why;
    }
    EXPECT_NE(std::string::npos, Read("\n\n1005 x\n", names, &plan).find("plan.txt:3:"))
        << "the line number counts every line";
}

TEST(ShowPlan, PlanNamesMayHoldHashesAndBytesThatAreNotUtf8) {
    std::vector<std::string> names = {"beach #2.jpg", "#1.jpg", "f\xeate.jpg", "caf\xc3\xa9.jpg"};
    Plan plan;
    std::string text =
        "1000 beach #2.jpg\n1001 #1.jpg\r\n1002 f\xeate.jpg\n"
        "2000 caf\xc3\xa9.jpg\n2001 \"#1.jpg\" # again\n\t3000\xc2\xa0#1.jpg \n";
    EXPECT_EQ("", Read(text, names, &plan));
    EXPECT_EQ((Plan{{1000, "beach #2.jpg"},
                    {1001, "#1.jpg"},
                    {1002, "f\xeate.jpg"},
                    {2000, "caf\xc3\xa9.jpg"},
                    {2001, "#1.jpg"},
                    {3000, "#1.jpg"}}),
              plan);
    std::string why = Read(text + "2002 d\xe9j\xe0.jpg\n", names, &plan);
    EXPECT_NE(std::string::npos, why.find("no photo named 'd\\xe9j\\xe0.jpg'")) << why;
}

TEST(ShowPlan, AssignmentFollowsThePlanThenNameOrderInTurn) {
    auto got = maker::AssignSlots({1000, 1001, 1002, 1003, 1004}, {"a", "b", "c"}, {{1001, "c"}});
    std::vector<std::pair<int, std::string>> want = {
        {1000, "a"}, {1001, "c"}, {1002, "b"}, {1003, "a"}, {1004, "b"}};
    EXPECT_EQ(want, got);
    // a plan that takes every photo leaves all of them for the other slots
    got = maker::AssignSlots({1000, 1001, 1002}, {"a"}, {{1001, "a"}});
    want = {{1000, "a"}, {1001, "a"}, {1002, "a"}};
    EXPECT_EQ(want, got);
    EXPECT_EQ(24u, maker::kStageSlots.size());
}

// 100 photos in 24 slots: every pass takes the next 24, so the first 100
// places show each photo once in order; the last pass's 20 other slots
// show the middle pass's photos again.
TEST(ShowPlan, MorePhotosThanSlotsFillPassAfterPassEachOnceBeforeAnyAgain) {
    std::vector<std::string> names;
    for (int i = 0; i < 100; ++i)
        names.push_back("p" + std::to_string(1000 + i));
    auto shown = maker::AssignPasses({maker::kStageSlots, names}, {});
    ASSERT_EQ(24u, shown.size());
    std::vector<std::string> places;
    for (size_t pass = 0; pass < 5; ++pass)
        for (const auto& slot : shown) {
            ASSERT_EQ(5u, slot.size());
            places.push_back(slot[pass]);
        }
    EXPECT_EQ(names, std::vector<std::string>(places.begin(), places.begin() + 100));
    for (size_t j = 4; j < 24; ++j)
        EXPECT_EQ(shown[j][2], shown[j][4]) << "slot " << maker::kStageSlots[j];

    // the plan's photo keeps its slot in the first pass and comes no more
    shown = maker::AssignPasses({{1000, 1001}, {"a", "b", "c", "d"}}, {{1001, "a"}});
    std::vector<std::vector<std::string>> want = {{"b", "c"}, {"a", "d"}};
    EXPECT_EQ(want, shown);
}

TEST(ShowPlan, ChaptersTakeTheirFoldersAndLoosePhotosInTurn) {
    std::vector<std::vector<std::string>> chapters = {{"a1", "a2"}, {"b1"}, {}, {"d1"}};
    auto groups = maker::GroupPhotos(maker::kStageSlots, {"x", "y", "z"}, chapters);
    ASSERT_EQ(5u, groups.size());
    std::vector<std::vector<std::string>> photos = {
        {"a1", "a2", "x"}, {"b1", "y"}, {"z"}, {"d1"}, {"a1", "a2", "b1", "d1", "x", "y", "z"}};
    for (size_t c = 0; c < 5; ++c) {
        EXPECT_EQ(photos[c], groups[c].photos) << "chapter " << c + 1;
        for (int slot : groups[c].slots)
            EXPECT_EQ(int(c) + 1, slot / 1000);
    }
    EXPECT_EQ(5u, groups[0].slots.size());
    EXPECT_EQ(6u, groups[4].slots.size());
    // without chapters, one group of every slot
    groups = maker::GroupPhotos(maker::kStageSlots, {"x"}, {});
    ASSERT_EQ(1u, groups.size());
    EXPECT_EQ(maker::kStageSlots, groups[0].slots);
}

}  // namespace
