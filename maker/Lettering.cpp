// The generator draws with Pillow: a letter drawn at a fractional point
// goes to the whole pixel below it, plus one where the fraction's 64ths
// carry the pen past half a pixel (FreeType's rounding of 26.6 numbers), on
// a mask as large as the letter's box grown by the fraction, and the mask is
// blended over the picture. Each step below is that, so that the pixels
// agree, clipping of the mask included.
#include "maker/Lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "maker/NameText.h"

namespace maker {

namespace {

const int kSmallestSize = 6;
const int kLargestSize = 199;
const float kHaloRadius = 3.0f;

// A 26.6 number rounded to whole pixels, half up.
int Pixel(long v) {
    return int(((v + 32) & -64) / 64);
}

// What the layout and the drawing need of one letter at one size.
struct Letter {
    FT_UInt glyph = 0;
    long advance = 0;  // unhinted, 26.6
    FT_BBox box{};     // hinted outline's box, whole pixels
};

class Face {
public:
    Face() = default;
    virtual ~Face() {
        if (face != nullptr)
            FT_Done_Face(face);
        if (library != nullptr)
            FT_Done_FreeType(library);
    }

    bool Open(const std::vector<unsigned char>& bytes, std::string* why) {
        if (FT_Init_FreeType(&library) != 0 ||
            FT_New_Memory_Face(library, bytes.data(), FT_Long(bytes.size()), 0, &face) != 0) {
            *why = "the lettering's face cannot be read";
            return false;
        }
        return true;
    }

    std::string Name() const {
        std::string name = face->family_name != nullptr ? face->family_name : "the face";
        if (face->style_name != nullptr && std::string(face->style_name) != "Book")
            name += std::string(" ") + face->style_name;
        return name;
    }

    bool Has(char32_t c) const { return c >= 0x20 && FT_Get_Char_Index(face, FT_ULong(c)) != 0; }

    bool SetSize(int size) { return FT_Set_Pixel_Sizes(face, 0, FT_UInt(size)) == 0; }

    // The ascender rounded to whole pixels: the top line Pillow anchors to.
    int Ascender() const { return Pixel(face->size->metrics.ascender); }

    bool Measure(char32_t c, Letter* letter) {
        letter->glyph = FT_Get_Char_Index(face, FT_ULong(c));
        // HarfBuzz's advance: FreeType's unhinted one in 16.16, rounded to 64ths.
        FT_Fixed advance = 0;
        if (FT_Get_Advance(face, letter->glyph, FT_LOAD_NO_HINTING, &advance) != 0 ||
            FT_Load_Glyph(face, letter->glyph, FT_LOAD_DEFAULT) != 0)
            return false;
        letter->advance = long((advance + 512) >> 10);
        FT_Glyph glyph;
        if (FT_Get_Glyph(face->glyph, &glyph) != 0)
            return false;
        FT_Glyph_Get_CBox(glyph, FT_GLYPH_BBOX_PIXELS, &letter->box);
        FT_Done_Glyph(glyph);
        return true;
    }

    // The letter rendered with hinting and grey anti-aliasing; the slot
    // holds it until the next call.
    FT_GlyphSlot Render(const Letter& letter) {
        if (FT_Load_Glyph(face, letter.glyph, FT_LOAD_DEFAULT | FT_LOAD_RENDER) != 0 ||
            face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
            return nullptr;
        return face->glyph;
    }

private:
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

std::string Describe(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return code;
    return "'" + PrintableName(EncodeName(std::u32string(1, c))) + "' (" + code + ")";
}

// The line measured at the face's current size, as the generator measures
// it: the letters' widths plus the spacing, and the height of the box of
// all letters, the baseline included.
struct Line {
    std::vector<Letter> letters;
    double width = 0;
    int top = 0;     // highest pixel above the baseline
    int bottom = 0;  // lowest, as a negative number
};

bool MeasureLine(Face* face, const std::u32string& text, double spacing, Line* line) {
    line->letters.assign(text.size(), Letter());
    line->width = 0;
    line->top = line->bottom = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        Letter& letter = line->letters[i];
        if (!face->Measure(text[i], &letter))
            return false;
        line->width += double(letter.advance) / 64.0;
        line->top = std::max(line->top, int(letter.box.yMax));
        line->bottom = std::min(line->bottom, int(letter.box.yMin));
    }
    line->width += spacing * double(text.size() - 1);
    return true;
}

// 255 x a, rounded, as Pillow blends: (a * (255 - m) + b * m) / 255.
unsigned char Blend(unsigned mask, unsigned under, unsigned ink) {
    unsigned t = under * (255 - mask) + ink * mask + 128;
    return (unsigned char)(((t >> 8) + t) >> 8);
}

// One letter drawn with its pen at (x, y) of `layer` (width x height),
// the way ImageDraw.text draws one character there.
bool DrawLetter(Face* face, const Letter& letter, double x, double y, int level, int width,
                int height, std::vector<unsigned char>* layer) {
    int ascender = face->Ascender();
    // The letter's box with the pen line, as Pillow measures a text.
    int left = std::min(0, int(letter.box.xMin));
    int right = std::max(Pixel(letter.advance), int(letter.box.xMax));
    int top = std::max(0, int(letter.box.yMax));
    int bottom = std::min(0, int(letter.box.yMin));
    double wholeX = std::trunc(x), wholeY = std::trunc(y);
    double startX = x - wholeX, startY = y - wholeY;
    int maskWidth = int(std::ceil(double(right - left) + startX));
    int maskHeight = int(std::ceil(double(top - bottom) + startY));
    FT_GlyphSlot slot = face->Render(letter);
    if (slot == nullptr)
        return false;
    if (maskWidth <= 0 || maskHeight <= 0)
        return true;
    std::vector<unsigned char> mask(size_t(maskWidth) * size_t(maskHeight), 0);
    const FT_Bitmap& bitmap = slot->bitmap;
    int inkLeft = std::min(0, int(slot->bitmap_left));
    int inkTop = std::max(0, int(slot->bitmap_top));
    // The pen in 64ths, from single-precision sums cut toward zero.
    int penX = int((float(-inkLeft) + 0.0f + float(startX)) * 64.0f);
    int penY = int((float(-inkTop) + -0.0f - float(startY)) * 64.0f);
    int atX = Pixel(penX) + slot->bitmap_left;
    int atY = -(Pixel(penY) + slot->bitmap_top);
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        int maskRow = atY + int(row);
        if (maskRow < 0 || maskRow >= maskHeight)
            continue;
        const unsigned char* source = bitmap.buffer + long(row) * bitmap.pitch;
        int from = std::max(0, -atX), to = std::min(int(bitmap.width), maskWidth - atX);
        for (int k = from; k < to; ++k) {
            unsigned char& target = mask[size_t(maskRow) * size_t(maskWidth) + size_t(atX + k)];
            target = std::max(target, source[k]);
        }
    }
    int pasteX = int(wholeX) + left, pasteY = int(wholeY) + ascender - top;
    for (int my = 0; my < maskHeight; ++my) {
        int ly = pasteY + my;
        if (ly < 0 || ly >= height)
            continue;
        for (int mx = 0; mx < maskWidth; ++mx) {
            int lx = pasteX + mx;
            if (lx < 0 || lx >= width)
                continue;
            unsigned char& out = (*layer)[size_t(ly) * size_t(width) + size_t(lx)];
            out = Blend(mask[size_t(my) * size_t(maskWidth) + size_t(mx)], out, unsigned(level));
        }
    }
    return true;
}

// numpy's float32 sum of a short array: eight running sums over the
// elements in turn, added pairwise, then the rest one by one.
float PairwiseSum(const std::vector<float>& v) {
    if (v.size() < 8) {
        float s = 0;
        for (float x : v)
            s += x;
        return s;
    }
    float r[8];
    for (int j = 0; j < 8; ++j)
        r[j] = v[size_t(j)];
    size_t i = 8;
    for (; i + 8 <= v.size(); i += 8)
        for (int j = 0; j < 8; ++j)
            r[j] += v[i + size_t(j)];
    float s = ((r[0] + r[1]) + (r[2] + r[3])) + ((r[4] + r[5]) + (r[6] + r[7]));
    for (; i < v.size(); ++i)
        s += v[i];
    return s;
}

// The generator's separable Gaussian blur, edges clamped, down the columns
// and then along the rows, in single precision and in its order of sums.
GreyField Blur(const GreyField& in, float radius) {
    int k = int(radius * 3) + 1;
    std::vector<float> kernel;
    for (int t = -k; t <= k; ++t)
        kernel.push_back(float(std::exp(double(-float(t * t) / (2.0f * radius * radius)))));
    float total = PairwiseSum(kernel);
    for (float& w : kernel)
        w /= total;
    GreyField out = in;
    for (int axis = 0; axis < 2; ++axis) {
        GreyField pass = out;
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                float sum = 0;
                for (int i = 0; i <= 2 * k; ++i) {
                    int sx = axis == 1 ? std::clamp(x + i - k, 0, out.width - 1) : x;
                    int sy = axis == 0 ? std::clamp(y + i - k, 0, out.height - 1) : y;
                    float product = kernel[size_t(i)] * out.values[size_t(sy) * out.width + sx];
                    sum += product;
                }
                pass.values[size_t(y) * out.width + x] = sum;
            }
        }
        out = std::move(pass);
    }
    return out;
}

}  // namespace

bool LetterLine(const std::vector<unsigned char>& faceBytes, const std::u32string& text, int width,
                int height, const LetterStyle& style, GreyField* field, std::string* why) {
    Face face;
    if (!face.Open(faceBytes, why))
        return false;
    for (char32_t c : text) {
        if (!face.Has(c)) {
            *why = Describe(c) + " is not in the show's lettering (" + face.Name() + ")";
            return false;
        }
    }
    int best = 0;
    Line line;
    for (int size = kSmallestSize; size <= kLargestSize && !text.empty(); ++size) {
        if (!face.SetSize(size) || !MeasureLine(&face, text, style.spacingEm * size, &line)) {
            *why = "FreeType cannot set " + face.Name() + " at " + std::to_string(size) + " px";
            return false;
        }
        if (line.width > width * style.fill || line.top - line.bottom > height * style.fill)
            break;
        best = size;
    }
    if (best == 0) {
        *why = "it is too long for its picture even at the smallest size";
        return false;
    }
    double spacing = style.spacingEm * best;
    if (!face.SetSize(best) || !MeasureLine(&face, text, spacing, &line)) {
        *why = "FreeType cannot set " + face.Name() + " at " + std::to_string(best) + " px";
        return false;
    }
    int lineHeight = line.top - line.bottom;
    double x = width / 2.0 - line.width / 2.0;
    double y = height / 2.0 - lineHeight / 2.0 - double(face.Ascender() - line.top);
    std::vector<unsigned char> layer(size_t(width) * size_t(height), 0);
    for (const Letter& letter : line.letters) {
        if (!DrawLetter(&face, letter, x, y, style.level, width, height, &layer)) {
            *why = "FreeType cannot draw a letter of " + face.Name();
            return false;
        }
        x += double(letter.advance) / 64.0 + spacing;
    }

    field->width = width;
    field->height = height;
    field->values.assign(layer.begin(), layer.end());
    if (style.halo != 0) {
        GreyField blurred = Blur(*field, kHaloRadius);
        float strength = float(style.halo);
        for (size_t i = 0; i < field->values.size(); ++i)
            field->values[i] = std::max(field->values[i], blurred.values[i] * strength);
    }
    return true;
}

std::vector<unsigned char> CleanBlack(const GreyField& field) {
    std::vector<unsigned char> grey(field.values.size());
    for (size_t i = 0; i < grey.size(); ++i) {
        float v = field.values[i] < 10 ? 0.0f : field.values[i];
        grey[i] = (unsigned char)std::clamp(v + 0.5f, 0.0f, 255.0f);
    }
    return grey;
}

}  // namespace maker
