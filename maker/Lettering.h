// Words lettered as the show's title pictures are lettered (the asset
// generator's rule, tools/assets/asset_art.py): one line in a DejaVu face,
// centred in a box at the largest whole pixel size from 6 up at which the
// line, letter spacing included, takes no more than a share of the box's
// width and of its height; set letter by letter, each advanced by its own
// width plus the spacing (no kerning), on whole pixels exactly where
// Pillow's ImageDraw puts a letter drawn at a fractional point, blended in a
// grey level over black; then, where asked, a halo: the line blurred with a
// Gaussian of radius 3 and scaled, kept wherever it is brighter.
//
// The widths are the face's own, unhinted (as HarfBuzz gives them through
// libraqm), the heights and the letters those of FreeType's hinted outlines,
// so the pictures are those the generator draws with the same FreeType.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace maker {

// The bytes of a face file by its name ("DejaVuSans.ttf"); false with a
// reason. The native front ends read Debian's fonts-dejavu; the page
// carries the few faces it needs.
using FaceReader = std::function<bool(const std::string& face, std::vector<unsigned char>* bytes,
                                      std::string* why)>;

struct LetterStyle {
    const char* face;  // file name of the DejaVu face
    int level;         // grey of the letters, 0-255
    double spacingEm;  // space added after every letter but the last, in ems
    double halo;       // strength of the blurred halo; 0: none
    double fill;       // share of the box's width and of its height the line may take
};

// A grey picture as the generator composes it: 32-bit floats, rows top
// first.
struct GreyField {
    int width = 0;
    int height = 0;
    std::vector<float> values;
};

// Letters `text` into a new width x height field in `style`. False with a
// message when a character is not in the face ("'X' (U+XXXX) is not in
// DejaVu Serif"), or the line does not fit the box even at the smallest
// size.
bool LetterLine(const std::vector<unsigned char>& face, const std::u32string& text, int width,
                int height, const LetterStyle& style, GreyField* field, std::string* why);

// The generator's last step: the faint fringes of a halo (below 10) cut back
// to black, so the ground stays pure black, and the rest rounded.
std::vector<unsigned char> CleanBlack(const GreyField& field);

}  // namespace maker
