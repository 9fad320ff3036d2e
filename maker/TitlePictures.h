// The show's words a person may set, and the title pictures lettered from
// them: the line after the first chapter (6000), the titles that open
// chapters 2 to 5 (6001, 6002, 6006, 6007; chapter 3's in its two-line
// form, a small line above a large one), the name that is whispered, spoken
// and glows (6003, 6004, 6005: one text, three pictures) and the closing
// line (6008). Each is lettered in its picture's own face, level, spacing,
// halo and share of the box, at the catalogue's size; anything not set
// keeps the show's own picture.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "maker/Lettering.h"
#include "maker/RgbImage.h"
#include "maker/ShowPlan.h"

namespace maker {

// Chapter 1 opens the show and has no title picture.
const int kFirstTitledChapter = 2;

struct ShowWords {
    // UTF-8 text; empty: the show's own picture.
    std::string afterFirst;
    std::string name;
    std::string titles[kChapterCount + 1];  // by chapter, 2 to 5
    std::string closing;
};

// Chapter 3's title is two lines when written "SMALL|LARGE".
const char32_t kLineBreak = U'|';

// Every picture the set words give, by resource id, grey; false with a
// message that names the words and what is wrong with them (a character
// the faces cannot draw, text too long for its picture, a face that cannot
// be read).
bool LetterWords(const ShowWords& words, const FaceReader& faces, std::map<int, RgbImage>* pictures,
                 std::string* why);

// Reads a words file: "KEY: TEXT" lines, KEY one of name, after-first,
// title 2 .. title 5 and closing; blank lines and lines starting with '#'
// are skipped. Fills the keys it names; false with "WHERE:LINE: what is
// wrong" for any other line.
bool ReadWordsFile(const std::string& bytes, const std::string& where, ShowWords* words,
                   std::string* why);

}  // namespace maker
