// A written file appears whole or not at all: it replaces an older one,
// and a folder that cannot take it leaves nothing behind and keeps what was
// there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "maker/ProgramFile.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

class WriteFileWhole : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(testing::TempDir()) /
                  ("avrel-write-whole-" +
                   std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static Bytes Contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    fs::path folder_;
};

TEST_F(WriteFileWhole, WritesAndReplacesLeavingOnlyTheFile) {
    std::string path = (folder_ / "Avrel.scr").string();
    Bytes first(100000, 7), second = {1, 2, 3};
    std::string why;
    ASSERT_TRUE(maker::WriteFileWhole(path, first, &why)) << why;
    EXPECT_EQ(Contents(path), first);
    ASSERT_TRUE(maker::WriteFileWhole(path, second, &why)) << why;
    EXPECT_EQ(Contents(path), second);
    EXPECT_EQ(Names(), std::vector<std::string>{"Avrel.scr"});
}

TEST_F(WriteFileWhole, AFolderThatCannotTakeItLeavesNothingBehind) {
    std::string why;
    Bytes bytes = {1, 2, 3};
    EXPECT_FALSE(maker::WriteFileWhole((folder_ / "missing" / "Avrel.scr").string(), bytes, &why));
    EXPECT_EQ(why,
              "cannot write in " + (folder_ / "missing").string() + ": No such file or directory");

    // The name is taken by a folder with something in it: the rename fails.
    fs::create_directories(folder_ / "Avrel.scr" / "keep");
    EXPECT_FALSE(maker::WriteFileWhole((folder_ / "Avrel.scr").string(), bytes, &why));
    EXPECT_EQ(why.find("cannot write " + (folder_ / "Avrel.scr").string() + ": "), 0u) << why;
    EXPECT_EQ(Names(), std::vector<std::string>{"Avrel.scr"});
    EXPECT_TRUE(fs::is_directory(folder_ / "Avrel.scr" / "keep"));
}

}  // namespace
