#include "maker/TitlePictures.h"

#include <algorithm>

#include "maker/NameText.h"

namespace maker {

namespace {

const char kSans[] = "DejaVuSans.ttf";
const char kSerif[] = "DejaVuSerif.ttf";

// One title picture: its id, size and lettering. The generator's table.
struct TitleForm {
    int id;
    int width;
    int height;
    LetterStyle style;
};

const TitleForm kAfterFirst = {6000, 485, 29, {kSans, 236, 0.42, 0.4, 0.86}};
const TitleForm kChapterTitles[] = {
    {6001, 496, 73, {kSerif, 240, 0.06, 0.5, 0.86}},
    {6002, 338, 119, {"DejaVuSerif-Italic.ttf", 244, 0.02, 0.5, 0.92}},  // the large line
    {6006, 388, 30, {kSans, 236, 0.45, 0.4, 0.86}},
    {6007, 577, 29, {kSans, 236, 0.6, 0.4, 0.86}},
};
// Chapter 3's small line stands in the top rows above the large one, which
// is lettered in a taller box and cut to the rows left.
const int kSmallLineRows = 40;
const int kLargeLineRows = 86;
const LetterStyle kSmallLine = {kSans, 200, 0.4, 0.0, 0.55};
const TitleForm kName[] = {
    {6003, 338, 76, {"DejaVuSans-ExtraLight.ttf", 150, 0.12, 0.0, 0.8}},  // whispered
    {6004, 338, 76, {kSans, 206, 0.12, 0.25, 0.8}},                       // spoken
    {6005, 338, 76, {"DejaVuSans-Bold.ttf", 250, 0.12, 0.6, 0.8}},        // glowing
};
// The glowing name stands on a bar two rows high, 60 pixels in from each
// side and 6 rows up from the bottom.
const int kBarInset = 60, kBarRows = 2, kBarBottom = 6, kBarLevel = 170;
const TitleForm kClosing = {6008, 417, 29, {kSans, 230, 0.38, 0.4, 0.86}};

class Lettering {
public:
    Lettering(const FaceReader& faces, std::map<int, RgbImage>* pictures, std::string* why)
        : faces(faces), pictures(pictures), why(why) {}
    virtual ~Lettering() = default;

    bool Line(const std::u32string& text, int width, int height, const LetterStyle& style,
              const std::string& what, GreyField* field) {
        auto face = loaded.find(style.face);
        if (face == loaded.end()) {
            std::vector<unsigned char> bytes;
            std::string reason;
            if (!faces(style.face, &bytes, &reason)) {
                *why = "the show's lettering needs the face " + std::string(style.face) +
                       ", which " + reason;
                return false;
            }
            face = loaded.emplace(style.face, std::move(bytes)).first;
        }
        std::string reason;
        if (!LetterLine(face->second, text, width, height, style, field, &reason)) {
            *why = what + ": " + reason;
            return false;
        }
        return true;
    }

    bool Picture(const TitleForm& form, const std::u32string& text, const std::string& what) {
        GreyField field;
        if (!Line(text, form.width, form.height, form.style, what, &field))
            return false;
        Keep(form.id, field);
        return true;
    }

    // Small line over large, each on its own; a title without '|' has only
    // the large line, in its place.
    bool TwoLines(const TitleForm& form, const std::u32string& text, const std::string& what) {
        size_t cut = text.find(kLineBreak);
        std::u32string small = cut == std::u32string::npos ? U"" : StripSpace(text.substr(0, cut));
        std::u32string large =
            cut == std::u32string::npos ? text : StripSpace(text.substr(cut + 1));
        GreyField field;
        field.width = form.width;
        field.height = form.height;
        field.values.assign(size_t(form.width) * size_t(form.height), 0.0f);
        GreyField line;
        if (!small.empty()) {
            if (!Line(small, form.width, kSmallLineRows, kSmallLine, what + " (its small line)",
                      &line))
                return false;
            std::copy(line.values.begin(), line.values.end(), field.values.begin());
        }
        if (large.empty()) {
            *why = what + ": the large line is empty";
            return false;
        }
        if (!Line(large, form.width, kLargeLineRows, form.style, what, &line))
            return false;
        size_t rows = size_t(form.height - kSmallLineRows);
        std::copy(line.values.begin(), line.values.begin() + long(rows * size_t(form.width)),
                  field.values.begin() + long(size_t(kSmallLineRows) * size_t(form.width)));
        Keep(form.id, field);
        return true;
    }

    void Keep(int id, const GreyField& field) {
        std::vector<unsigned char> grey = CleanBlack(field);
        RgbImage& picture = (*pictures)[id];
        picture.width = field.width;
        picture.height = field.height;
        picture.pixels.clear();
        for (unsigned char g : grey)
            picture.pixels.insert(picture.pixels.end(), {g, g, g});
    }

private:
    const FaceReader& faces;
    std::map<int, RgbImage>* pictures;
    std::string* why;
    std::map<std::string, std::vector<unsigned char>> loaded;
};

bool LetterName(Lettering* lettering, const std::u32string& text) {
    for (const TitleForm& form : kName) {
        GreyField field;
        if (!lettering->Line(text, form.width, form.height, form.style, "the show's name", &field))
            return false;
        if (form.id == kName[2].id) {
            for (int y = form.height - kBarBottom - kBarRows; y < form.height - kBarBottom; ++y)
                for (int x = kBarInset; x < form.width - kBarInset; ++x) {
                    float& v = field.values[size_t(y) * size_t(form.width) + size_t(x)];
                    v = std::max(v, float(kBarLevel));
                }
        }
        lettering->Keep(form.id, field);
    }
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c == '-' ? ' ' : c;
    return text;
}

}  // namespace

bool LetterWords(const ShowWords& words, const FaceReader& faces, std::map<int, RgbImage>* pictures,
                 std::string* why) {
    Lettering lettering(faces, pictures, why);
    auto text = [](const std::string& utf8) { return StripSpace(DecodeName(utf8)); };
    if (!text(words.afterFirst).empty() &&
        !lettering.Picture(kAfterFirst, text(words.afterFirst), "the line after chapter 1"))
        return false;
    if (!text(words.name).empty() && !LetterName(&lettering, text(words.name)))
        return false;
    for (int chapter = kFirstTitledChapter; chapter <= kChapterCount; ++chapter) {
        std::u32string title = text(words.titles[chapter]);
        if (title.empty())
            continue;
        const TitleForm& form = kChapterTitles[chapter - kFirstTitledChapter];
        std::string what = "the title of chapter " + std::to_string(chapter);
        bool made = chapter == 3 ? lettering.TwoLines(form, title, what)
                                 : lettering.Picture(form, title, what);
        if (!made)
            return false;
    }
    if (!text(words.closing).empty() &&
        !lettering.Picture(kClosing, text(words.closing), "the closing line"))
        return false;
    return true;
}

bool ReadWordsFile(const std::string& bytes, const std::string& where, ShowWords* words,
                   std::string* why) {
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (int number = 1; start < bytes.size(); ++number) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        std::u32string stripped = StripSpace(DecodeName(line));
        if (stripped.empty() || stripped[0] == U'#')
            continue;
        std::string place = PrintableName(where) + ":" + std::to_string(number);
        size_t colon = line.find(':');
        std::string key = colon == std::string::npos
                              ? ""
                              : EncodeName(StripSpace(DecodeName(line.substr(0, colon))));
        std::string value = colon == std::string::npos
                                ? ""
                                : EncodeName(StripSpace(DecodeName(line.substr(colon + 1))));
        std::string* target = nullptr;
        std::string lower = Lower(key);
        if (lower == "name")
            target = &words->name;
        else if (lower == "after first")
            target = &words->afterFirst;
        else if (lower == "closing")
            target = &words->closing;
        for (int chapter = kFirstTitledChapter; chapter <= kChapterCount; ++chapter)
            if (lower == "title " + std::to_string(chapter))
                target = &words->titles[chapter];
        if (target == nullptr) {
            *why = place + ": expected 'KEY: TEXT' with KEY name, after-first, title 2 to " +
                   "title 5 or closing, got '" + PrintableName(EncodeName(stripped)) + "'";
            return false;
        }
        *target = value;
    }
    return true;
}

}  // namespace maker
