// The pass table of a personal show, served through the stand-in as a
// written Avrel.scr would serve it: each listed place takes the next of its
// pictures in every pass, others keep the script's own; a table that breaks
// any rule is refused whole, with what is wrong, and the show then plays the
// script's pictures.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "standin/StandIn.h"
#include "show/PassPictures.h"

namespace {

using Words = std::vector<int>;

// Serves `words` as the pass table for as long as it lives.
class ServedTable {
public:
    explicit ServedTable(const Words& words) {
        for (int w : words) {
            bytes.push_back(BYTE(w));
            bytes.push_back(BYTE(w >> 8));
        }
        standin::ReplaceResource(WORD(ULONG_PTR(RT_RCDATA)), kPassPicturesId, bytes.data(),
                                 DWORD(bytes.size()));
    }
    virtual ~ServedTable() { standin::RestoreResources(); }

    std::vector<BYTE> bytes;
};

std::string Problem(const Words& words) {
    ServedTable table(words);
    std::string problem;
    std::unique_ptr<PassPictures> read(PassPictures::Read(&problem));
    EXPECT_EQ(nullptr, read.get());
    return problem;
}

TEST(PassPictures, ListedPlacesTakeTheirNextPictureInEveryPass) {
    {
        std::string problem = "untouched";
        EXPECT_EQ(nullptr, PassPictures::Read(&problem)) << "the shipped show has no table";
        EXPECT_EQ("", problem);
    }
    // place 1000 shows 1000, 2000, 3000 in turn; place 2001 shows 2002, 2001
    ServedTable table({1, 2, 1000, 3, 1000, 2000, 3000, 2001, 2, 2002, 2001});
    std::string problem;
    std::unique_ptr<PassPictures> read(PassPictures::Read(&problem));
    ASSERT_NE(nullptr, read.get()) << problem;
    std::vector<int> place1000, place2001, place1001;
    for (DWORD pass = 0; pass < 7; ++pass) {
        place1000.push_back(read->Picture(1000, pass));
        place2001.push_back(read->Picture(2001, pass));
        place1001.push_back(read->Picture(1001, pass));
    }
    EXPECT_EQ((std::vector<int>{1000, 2000, 3000, 1000, 2000, 3000, 1000}), place1000);
    EXPECT_EQ((std::vector<int>{2002, 2001, 2002, 2001, 2002, 2001, 2002}), place2001);
    EXPECT_EQ(std::vector<int>(7, 1001), place1001);
    EXPECT_EQ(1000, read->Picture(1000, 0xFFFFFFFFu)) << "2^32 - 1 is 0 mod 3";
}

TEST(PassPictures, ATableThatBreaksARuleIsRefusedWhole) {
    EXPECT_EQ("its pass table is of a form this program does not know",
              Problem({2, 1, 1000, 1, 2000}));
    EXPECT_EQ("its pass table is of a form this program does not know", Problem({1}));
    EXPECT_EQ("its pass table lists 0 places (1 to 64 may be)", Problem({1, 0}));
    EXPECT_EQ("its pass table lists 65 places (1 to 64 may be)", Problem({1, 65}));
    EXPECT_EQ("its pass table ends inside place 1", Problem({1, 1, 1000, 3, 1000, 2000}));
    EXPECT_EQ("its pass table ends inside place 2", Problem({1, 2, 1000, 1, 1000, 2000}));
    EXPECT_EQ("its pass table has a place 1000 with 0 pictures", Problem({1, 1, 1000, 0}));
    EXPECT_EQ("its pass table has a place 0 with 1 pictures", Problem({1, 1, 0, 1, 1000}));
    EXPECT_EQ("its pass table lists place 1000 twice",
              Problem({1, 2, 1000, 1, 2000, 1000, 1, 3000}));
    EXPECT_EQ("its pass table names picture 12345, which it lacks",
              Problem({1, 1, 1000, 2, 1000, 12345}));
    EXPECT_EQ("its pass table has bytes after its last place", Problem({1, 1, 1000, 1, 2000, 0}));
}

}  // namespace
