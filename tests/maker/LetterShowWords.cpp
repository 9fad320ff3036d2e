// Letters the show's own words through the maker and writes each title
// picture as ID.pgm into a folder, for comparison with the asset
// generator's pictures; or the words of a words file.
#include <cstdio>
#include <map>
#include <string>

#include "maker/PhotoFolder.h"
#include "maker/TitlePictures.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: letter_show_words FONTDIR OUTDIR [WORDSFILE]\n");
        return 2;
    }
    std::string fonts = argv[1], out = argv[2];
    maker::ShowWords words;
    words.afterFirst = "VELTRONA  AVREL";
    words.name = "Avrel";
    words.titles[2] = "Tidewater";
    words.titles[3] = "INTO THE|Greenwood";
    words.titles[4] = "AMBER DUNES";
    words.titles[5] = "NIGHT CITY";
    words.closing = "UNTIL DUSK AGAIN";
    std::string why;
    if (argc == 4) {
        words = maker::ShowWords();
        std::vector<unsigned char> bytes;
        std::string file = argv[3];
        if (!maker::ReadWholeFile(file, &bytes, &why) ||
            !maker::ReadWordsFile(std::string(bytes.begin(), bytes.end()), file, &words, &why)) {
            std::fprintf(stderr, "letter_show_words: %s\n", why.c_str());
            return 1;
        }
    }
    maker::FaceReader faces = [&fonts](const std::string& face, std::vector<unsigned char>* bytes,
                                       std::string* why) {
        return maker::ReadPhotoFile(fonts, face, bytes, why);
    };
    std::map<int, maker::RgbImage> pictures;
    if (!maker::LetterWords(words, faces, &pictures, &why)) {
        std::fprintf(stderr, "letter_show_words: %s\n", why.c_str());
        return 1;
    }
    for (const auto& entry : pictures) {
        std::string path = out + "/" + std::to_string(entry.first) + ".pgm";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr)
            return 1;
        const maker::RgbImage& p = entry.second;
        std::fprintf(file, "P5\n%d %d\n255\n", p.width, p.height);
        for (size_t i = 0; i < p.pixels.size(); i += 3)
            std::fputc(p.pixels[i], file);
        std::fclose(file);
    }
    return 0;
}
