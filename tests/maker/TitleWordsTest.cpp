// A person's words: lettered in Latin, Greek and Cyrillic, refused with the
// character named when the faces cannot draw it, shrunk to fit, read from a
// words file; and the saver's name as Windows lists it and as its file.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "maker/BasePictures.h"
#include "maker/FaceFolder.h"
#include "maker/SaverName.h"
#include "maker/ShowMaker.h"
#include "maker/TitlePictures.h"

namespace {

// The lit pixels of a lettered title, and its first and last lit columns.
struct Ink {
    int lit = 0;
    int left = -1;
    int right = -1;
};

Ink InkOf(const maker::RgbImage& picture) {
    Ink ink;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            if (picture.pixels[(size_t(y) * picture.width + x) * 3] == 0)
                continue;
            ++ink.lit;
            ink.left = ink.left < 0 ? x : std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
        }
    return ink;
}

TEST(TitleWords, GreekAndCyrillicAreLetteredAndLongTitlesShrinkToFit) {
    maker::ShowWords words;
    words.name = "Λισαβόνα";
    words.titles[2] = "Москва";
    words.titles[3] = "ДЕНЬ ТРЕТИЙ|Σίντρα";
    words.afterFirst = "Lisbon";
    words.closing = "A closing line long enough that it has to shrink a good deal";
    std::map<int, maker::RgbImage> pictures;
    std::string why;
    ASSERT_TRUE(maker::LetterWords(words, maker::ReadShowFace, &pictures, &why)) << why;
    std::map<int, std::pair<int, int>> sizes = {
        {6000, {485, 29}}, {6001, {496, 73}}, {6002, {338, 119}}, {6003, {338, 76}},
        {6004, {338, 76}}, {6005, {338, 76}}, {6008, {417, 29}}};
    ASSERT_EQ(sizes.size(), pictures.size());
    for (const auto& entry : pictures) {
        EXPECT_EQ(sizes[entry.first].first, entry.second.width) << entry.first;
        EXPECT_EQ(sizes[entry.first].second, entry.second.height) << entry.first;
        EXPECT_GT(InkOf(entry.second).lit, 200) << entry.first << " is lettered";
    }
    // chapter 3's small line stands in the top 40 rows
    const maker::RgbImage& three = pictures.at(6002);
    int topInk = 0;
    for (size_t i = 0; i < size_t(40 * three.width) * 3; i += 3)
        topInk += three.pixels[i] != 0;
    EXPECT_GT(topInk, 100);
    // the long line shrinks into the generator's margin: 14 % of the box,
    // half on each side, less the halo's few pixels
    Ink closing = InkOf(pictures.at(6008));
    EXPECT_GE(closing.left, 29 - 4);
    EXPECT_LE(closing.right, 417 - 29 + 4);

    words.closing = std::string(300, 'W');
    EXPECT_FALSE(maker::LetterWords(words, maker::ReadShowFace, &pictures, &why));
    EXPECT_EQ("the closing line: it is too long for its picture even at the smallest size", why);
}

TEST(TitleWords, ACharacterTheFacesCannotDrawIsNamedAndNothingIsMade) {
    maker::ShowRequest request;
    request.words.titles[2] = "Lisboa 里斯本";
    request.faces = maker::ReadShowFace;
    request.names = {"a.jpg"};
    bool read = false;
    request.read = [&read](const std::string&, std::vector<unsigned char>*, std::string* why) {
        read = true;
        *why = "not read";
        return false;
    };
    request.basePictures = maker::ModulePictures();
    maker::ShowResult result;
    std::string why;
    EXPECT_EQ(maker::MakeOutcome::Failed, maker::MakeShow(request, &result, &why));
    EXPECT_EQ(
        "the title of chapter 2: '\xe9\x87\x8c' (U+91CC) is not in the show's lettering "
        "(DejaVu Serif)",
        why);
    EXPECT_TRUE(result.resources.empty());
    EXPECT_FALSE(read) << "no photo is read before the words are lettered";

    request.words = maker::ShowWords();
    request.words.name = "Tab\there";
    EXPECT_EQ(maker::MakeOutcome::Failed, maker::MakeShow(request, &result, &why));
    EXPECT_EQ("the show's name: U+0009 is not in the show's lettering (DejaVu Sans ExtraLight)",
              why);

    request.words = maker::ShowWords();
    request.words.closing = "Bye";
    request.faces = [](const std::string&, std::vector<unsigned char>*, std::string* reason) {
        *reason = "cannot be opened: No such file or directory";
        return false;
    };
    EXPECT_EQ(maker::MakeOutcome::Failed, maker::MakeShow(request, &result, &why));
    EXPECT_EQ(
        "the show's lettering needs the face DejaVuSans.ttf, which cannot be opened: No such "
        "file or directory",
        why);
}

TEST(TitleWords, WordsFilesNameTheirKeys) {
    maker::ShowWords words;
    std::string why;
    ASSERT_TRUE(maker::ReadWordsFile(
        "\xEF\xBB\xBF# Lisbon\r\nname: Lisbon 2026\r\n\nTitle 3 :  INTO THE | Sintra \n"
        "after-first: a: b\nclosing:\n",
        "words.txt", &words, &why))
        << why;
    EXPECT_EQ("Lisbon 2026", words.name);
    EXPECT_EQ("INTO THE | Sintra", words.titles[3]);
    EXPECT_EQ("a: b", words.afterFirst);
    EXPECT_EQ("", words.closing);
    EXPECT_FALSE(maker::ReadWordsFile("name: x\ntitle 1: y\n", "w.txt", &words, &why));
    EXPECT_EQ(
        "w.txt:2: expected 'KEY: TEXT' with KEY name, after-first, title 2 to title 5 or "
        "closing, got 'title 1: y'",
        why);
}

TEST(SaverName, WindowsListsTheNameAndTheFileIsNamedAfterIt) {
    EXPECT_EQ("Lisbon 2026.scr", maker::SaverFileName("Lisbon 2026"));
    EXPECT_EQ("Λισαβόνα.scr", maker::SaverFileName("Λισαβόνα"));
    EXPECT_EQ("Day 1 ab-b.scr", maker::SaverFileName("  Day\t1: a/b*?\"<>|\\-b..."));
    EXPECT_EQ("Avrel.scr", maker::SaverFileName(""));
    EXPECT_EQ("Avrel.scr", maker::SaverFileName("..."));
    EXPECT_EQ("Avrel.scr", maker::SaverFileName("con"));
    EXPECT_EQ("Avrel.scr", maker::SaverFileName("LPT1.txt"));
    EXPECT_EQ("COM10.scr", maker::SaverFileName("COM10"));
    EXPECT_EQ(std::string(64, 'x') + ".scr", maker::SaverFileName(std::string(100, 'x')));

    std::vector<unsigned char> block = maker::SaverNameBlock("Ab\xc3\xa9\xf0\x9f\x98\x80");
    // string 0 empty, string 1: five UTF-16 units, then 14 empty strings
    std::vector<unsigned char> want = {0, 0, 5, 0, 'A', 0, 'b', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE};
    want.resize(want.size() + 28, 0);
    EXPECT_EQ(want, block);
}

}  // namespace
