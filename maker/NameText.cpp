#include "maker/NameText.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace maker {

namespace {

struct FoldRun {
    char32_t first, last;
    int step, delta;
};
struct FoldExpansion {
    char32_t from;
    char32_t to[3];
};
#include "maker/CaseFolding.inc"

// The length of the well-formed UTF-8 sequence at `p` (Unicode's table 3-7)
// and its code point, or 0 when the byte at `p` starts none.
size_t SequenceAt(const unsigned char* p, size_t left, char32_t* code) {
    unsigned char b = p[0];
    if (b < 0x80) {
        *code = b;
        return 1;
    }
    size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0;
        if (b == 0xED)
            high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90;
        if (b == 0xF4)
            high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    char32_t c = b & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
        if (i > 1 && (p[i] & 0xC0) != 0x80)
            return 0;
        c = c << 6 | (p[i] & 0x3F);
    }
    *code = c;
    return length;
}

void AppendUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(char(c));
    } else if (c < 0x800) {
        out->push_back(char(0xC0 | c >> 6));
        out->push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(char(0xE0 | c >> 12));
        out->push_back(char(0x80 | (c >> 6 & 0x3F)));
        out->push_back(char(0x80 | (c & 0x3F)));
    } else {
        out->push_back(char(0xF0 | c >> 18));
        out->push_back(char(0x80 | (c >> 12 & 0x3F)));
        out->push_back(char(0x80 | (c >> 6 & 0x3F)));
        out->push_back(char(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::u32string DecodeName(const std::string& bytes) {
    std::u32string text;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        size_t length = SequenceAt(p + i, bytes.size() - i, &c);
        if (length == 0) {
            text.push_back(0xDC00 + p[i]);
            ++i;
        } else {
            text.push_back(c);
            i += length;
        }
    }
    return text;
}

std::string EncodeName(const std::u32string& text) {
    std::string bytes;
    for (char32_t c : text) {
        if (c >= 0xDC80 && c <= 0xDCFF)
            bytes.push_back(char(c - 0xDC00));
        else
            AppendUtf8(c, &bytes);
    }
    return bytes;
}

std::u32string FoldCase(const std::u32string& text) {
    std::u32string folded;
    for (char32_t c : text) {
        auto expansion =
            std::lower_bound(std::begin(kFoldExpansions), std::end(kFoldExpansions), c,
                             [](const FoldExpansion& e, char32_t v) { return e.from < v; });
        if (expansion != std::end(kFoldExpansions) && expansion->from == c) {
            for (char32_t to : expansion->to)
                if (to != 0)
                    folded.push_back(to);
            continue;
        }
        auto run = std::upper_bound(std::begin(kFoldRuns), std::end(kFoldRuns), c,
                                    [](char32_t v, const FoldRun& r) { return v < r.first; });
        if (run != std::begin(kFoldRuns)) {
            --run;
            if (c <= run->last && (c - run->first) % char32_t(run->step) == 0)
                c = char32_t(int(c) + run->delta);
        }
        folded.push_back(c);
    }
    return folded;
}

void SortNames(std::vector<std::string>* names) {
    std::vector<std::pair<std::pair<std::u32string, std::u32string>, std::string>> keyed;
    for (std::string& name : *names) {
        std::u32string text = DecodeName(name);
        keyed.push_back({{FoldCase(text), text}, std::move(name)});
    }
    std::sort(keyed.begin(), keyed.end());
    names->clear();
    for (auto& entry : keyed)
        names->push_back(std::move(entry.second));
}

std::string PrintableName(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (char32_t c : DecodeName(bytes)) {
        if (c >= 0xDC80 && c <= 0xDCFF) {
            out += "\\x";
            out.push_back(kHex[(c >> 4) & 15]);
            out.push_back(kHex[c & 15]);
        } else {
            AppendUtf8(c, &out);
        }
    }
    return out;
}

bool IsSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) || c == 0x85 || c == 0xA0 ||
           c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

std::u32string StripSpace(const std::u32string& text) {
    size_t start = 0, end = text.size();
    while (start < end && IsSpace(text[start]))
        ++start;
    while (end > start && IsSpace(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

}  // namespace maker
