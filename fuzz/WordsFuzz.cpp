// Arbitrary bytes as a words file: either one line saying where and what is
// wrong, or the words of the keys it names, none holding a line break.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "maker/TitlePictures.h"

namespace {

void Check(bool condition, const char* what) {
    FuzzCheck("words fuzz", condition, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    maker::ShowWords words;
    std::string why;
    if (!maker::ReadWordsFile(bytes, "words.txt", &words, &why)) {
        Check(why.compare(0, 10, "words.txt:") == 0, "the message names the file and line");
        Check(why.find('\n') == std::string::npos, "the message is one line");
        return 0;
    }
    Check(why.empty(), "no message for a good file");
    for (const std::string* text :
         {&words.name, &words.afterFirst, &words.closing, &words.titles[2], &words.titles[3],
          &words.titles[4], &words.titles[5]})
        Check(text->find('\n') == std::string::npos, "no word holds a line break");
    return 0;
}
