// Checks the resources built into the program against the asset catalogue:
// every picture is a baseline JFIF of the listed size and kind, the palette
// and its lookup table follow their rules, the icon and the invisible cursor
// have their exact layouts, and the dialogs and the string are as the
// configuration sheet expects. Everything is read through the Win32 resource
// calls only, so the same test runs against the stand-in and under Wine.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "ResourceBytes.h"
#include "support/PictureCatalogue.h"

namespace {

// ------------------------------------------------------------------ pictures

// The listed pictures are kPictures, shared with the decoding tests.

// What the marker walk finds in one JFIF file.
struct JpegFacts {
    bool soi = false;
    bool jfif101First = false;
    int app0 = 0, otherApp = 0, comments = 0, restartIntervals = 0;
    int sof0 = 0, otherSof = 0, scans = 0, markersInScan = 0;
    int width = 0, height = 0, precision = 0, components = 0;
    unsigned sampling[3] = {0, 0, 0};
    bool endsWithEoi = false;
    bool truncated = false;
};

void ReadSegment(unsigned marker, const unsigned char* seg, unsigned length, bool first,
                 JpegFacts* facts) {
    if (marker == 0xE0) {
        ++facts->app0;
        if (first && length >= 7 && seg[0] == 'J' && seg[1] == 'F' && seg[2] == 'I' &&
            seg[3] == 'F' && seg[4] == 0 && seg[5] == 1 && seg[6] == 1)
            facts->jfif101First = true;
    } else if (marker >= 0xE1 && marker <= 0xEF) {
        ++facts->otherApp;
    } else if (marker == 0xFE) {
        ++facts->comments;
    } else if (marker == 0xDD) {
        ++facts->restartIntervals;
    } else if (marker == 0xC0 && length >= 6) {
        ++facts->sof0;
        facts->precision = seg[0];
        facts->height = static_cast<int>(BigWord(seg + 1));
        facts->width = static_cast<int>(BigWord(seg + 3));
        facts->components = seg[5];
        for (int c = 0; c < facts->components && c < 3; ++c)
            if (length >= 6u + 3u * c + 3u)
                facts->sampling[c] = seg[6 + 3 * c + 1];
    } else if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
               marker != 0xCC) {
        ++facts->otherSof;
    }
}

// Walks the markers; entropy-coded data is skipped byte by byte, where only
// stuffed zeros and restart markers may follow an 0xFF.
JpegFacts WalkJpeg(const unsigned char* d, DWORD n) {
    JpegFacts facts;
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return facts;
    facts.soi = true;
    DWORD pos = 2;
    bool first = true;
    while (pos + 1 < n) {
        if (d[pos] != 0xFF)
            break;
        unsigned marker = d[pos + 1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0xD9) {
            facts.endsWithEoi = (pos + 2 == n);
            return facts;
        }
        if (pos + 4 > n)
            break;
        unsigned length = BigWord(d + pos + 2);
        if (length < 2 || pos + 2 + length > n)
            break;
        ReadSegment(marker, d + pos + 4, length - 2, first, &facts);
        first = false;
        pos += 2 + length;
        if (marker != 0xDA)
            continue;
        ++facts.scans;
        while (pos + 1 < n) {
            if (d[pos] == 0xFF && d[pos + 1] != 0x00 && d[pos + 1] != 0xFF &&
                !(d[pos + 1] >= 0xD0 && d[pos + 1] <= 0xD7)) {
                if (d[pos + 1] != 0xD9)
                    ++facts.markersInScan;
                break;
            }
            if (d[pos] == 0xFF && d[pos + 1] >= 0xD0 && d[pos + 1] <= 0xD7)
                ++facts.markersInScan;
            ++pos;
        }
    }
    facts.truncated = true;
    return facts;
}

JpegFacts PictureFacts(WORD id) {
    Blob blob = Load(kRcData, id);
    if (blob.data == nullptr)
        return JpegFacts();
    return WalkJpeg(blob.data, blob.size);
}

TEST(AssetCatalogue, EveryPictureIsABaselineJfifOfItsListedSizeAndKind) {
    for (const CataloguePicture& pic : kPictures) {
        SCOPED_TRACE(testing::Message() << "picture " << pic.id);
        Blob blob = Load(kRcData, pic.id);
        ASSERT_TRUE(blob.data != nullptr) << "expected an RT_RCDATA resource " << pic.id;
        JpegFacts f = WalkJpeg(blob.data, blob.size);
        EXPECT_TRUE(f.soi) << "expected the file to start with SOI (FF D8)";
        EXPECT_TRUE(f.jfif101First) << "expected a JFIF 1.01 APP0 as the first segment";
        EXPECT_EQ(1, f.app0) << "expected exactly one APP0";
        EXPECT_EQ(0, f.otherApp) << "expected no APP1..APP15 segments";
        EXPECT_EQ(0, f.comments) << "expected no COM segment";
        EXPECT_EQ(0, f.restartIntervals) << "expected no DRI (no restart interval)";
        EXPECT_EQ(1, f.sof0) << "expected exactly one SOF0 (baseline) frame";
        EXPECT_EQ(0, f.otherSof) << "expected no other frame type";
        EXPECT_EQ(1, f.scans) << "expected a single scan";
        EXPECT_EQ(0, f.markersInScan) << "expected no marker inside the scan but EOI";
        EXPECT_FALSE(f.truncated) << "expected the marker walk to reach EOI";
        EXPECT_TRUE(f.endsWithEoi) << "expected EOI as the last two bytes, nothing after it";
        EXPECT_EQ(8, f.precision) << "expected 8-bit samples";
        EXPECT_EQ(pic.width, f.width) << "expected the listed width";
        EXPECT_EQ(pic.height, f.height) << "expected the listed height";
        if (pic.grey) {
            EXPECT_EQ(1, f.components) << "expected one component (grey picture)";
        } else {
            EXPECT_EQ(3, f.components) << "expected three components (colour picture)";
            EXPECT_EQ(0x22u, f.sampling[0]) << "expected luma sampled 2 x 2";
            EXPECT_EQ(0x11u, f.sampling[1]) << "expected Cb sampled 1 x 1";
            EXPECT_EQ(0x11u, f.sampling[2]) << "expected Cr sampled 1 x 1";
        }
    }
}

TEST(AssetCatalogue, FilmstripsHoldWholeFrames) {
    struct Strip {
        WORD id;
        int frames, frameHeight;
    };
    const Strip strips[] = {{1007, 4, 385},  {2007, 11, 98}, {3004, 5, 480},
                            {4006, 14, 112}, {5007, 9, 79},  {9000, 41, 54}};
    for (const Strip& s : strips) {
        JpegFacts f = PictureFacts(s.id);
        EXPECT_EQ(0, f.height % s.frames)
            << "expected the height of " << s.id << " to divide by " << s.frames;
        EXPECT_EQ(s.frameHeight, f.height / s.frames)
            << "expected frames of height " << s.frameHeight << " in " << s.id;
    }
}

TEST(AssetCatalogue, SwappedLogosShareOneSize) {
    for (WORD id = 6004; id <= 6005; ++id) {
        EXPECT_EQ(PictureFacts(6003).width, PictureFacts(id).width) << "expected 338 wide: " << id;
        EXPECT_EQ(PictureFacts(6003).height, PictureFacts(id).height) << "expected 76 high: " << id;
    }
}

TEST(AssetCatalogue, LineSourcesCoverEveryLineOfTheScript) {
    // source, true for a rows source, source row or column, line length
    struct Line {
        WORD source;
        bool rows;
        int index, length;
    };
    const Line lines[] = {
        {1005, true, 0, 511},  {1005, true, 1, 370},  {1005, true, 2, 370},  {1005, true, 3, 171},
        {1005, true, 4, 171},  {1006, false, 0, 290}, {1006, false, 1, 290}, {1006, false, 2, 288},
        {1006, false, 3, 288}, {1006, false, 4, 169}, {1006, false, 5, 169}, {2005, true, 0, 368},
        {2005, true, 1, 231},  {2005, true, 2, 143},  {2005, true, 3, 143},  {2005, true, 4, 90},
        {2005, true, 5, 90},   {2006, false, 0, 342}, {2006, false, 1, 230}, {2006, false, 2, 108},
        {2006, false, 3, 108}, {2006, false, 4, 64},  {2006, false, 5, 64},  {4004, true, 0, 205},
        {4004, true, 1, 163},  {4005, false, 0, 230}, {4005, false, 1, 155}, {5005, true, 0, 432},
        {5005, true, 1, 432},  {5006, false, 0, 480}, {5006, false, 1, 480}, {5006, false, 2, 120},
        {5006, false, 3, 120},
    };
    for (const Line& line : lines) {
        JpegFacts f = PictureFacts(line.source);
        int across = line.rows ? f.height : f.width;
        int along = line.rows ? f.width : f.height;
        EXPECT_LT(line.index, across) << "expected " << line.source << " to have "
                                      << (line.rows ? "row " : "column ") << line.index;
        EXPECT_LE(line.length, along) << "expected " << line.source << " to be at least "
                                      << line.length << " pixels along its lines";
    }
}

// ------------------------------------------------------------------ palette

const unsigned char kStaticLow[10][3] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
const unsigned char kStaticHigh[10][3] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};

TEST(AssetCatalogue, PaletteHoldsTheStaticColoursAndDistinctEntries) {
    Blob pal = Load(kRcData, 4098);
    ASSERT_TRUE(pal.data != nullptr) << "expected palette resource 4098";
    ASSERT_EQ(768u, static_cast<unsigned>(pal.size)) << "expected 256 RGB triples";
    for (int i = 0; i < 10; ++i)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(kStaticLow[i][c], pal.data[3 * i + c]) << "static colour at entry " << i;
            EXPECT_EQ(kStaticHigh[i][c], pal.data[3 * (246 + i) + c])
                << "static colour at entry " << 246 + i;
        }
    EXPECT_EQ(243, pal.data[30]) << "expected entry 10 = (243, 244, 243)";
    EXPECT_EQ(244, pal.data[31]) << "expected entry 10 = (243, 244, 243)";
    EXPECT_EQ(243, pal.data[32]) << "expected entry 10 = (243, 244, 243)";
    int greys = 0, duplicates = 0;
    for (int i = 0; i < 256; ++i) {
        const unsigned char* a = pal.data + 3 * i;
        if (a[0] == a[1] && a[1] == a[2])
            ++greys;
        for (int j = i + 1; j < 256; ++j) {
            const unsigned char* b = pal.data + 3 * j;
            if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2])
                ++duplicates;
        }
    }
    EXPECT_EQ(23, greys) << "expected 23 entries with red = green = blue";
    EXPECT_EQ(0, duplicates) << "expected all 256 colours to differ";
}

TEST(AssetCatalogue, ColourTableIsTheNearestEntryWithTiesToTheHighestIndex) {
    Blob pal = Load(kRcData, 4098);
    Blob table = Load(kRcData, 4099);
    ASSERT_TRUE(pal.data != nullptr && pal.size == 768) << "expected palette resource 4098";
    ASSERT_TRUE(table.data != nullptr) << "expected colour table resource 4099";
    ASSERT_EQ(32768u, static_cast<unsigned>(table.size)) << "expected one byte per 15-bit key";
    int wrong = 0, firstWrong = -1;
    for (int key = 0; key < 32768; ++key) {
        int r = ((key >> 10) & 31) * 8, g = ((key >> 5) & 31) * 8, b = (key & 31) * 8;
        int best = 0;
        long bestDistance = -1;
        for (int i = 0; i < 256; ++i) {
            int dr = r - pal.data[3 * i], dg = g - pal.data[3 * i + 1],
                db = b - pal.data[3 * i + 2];
            long distance = static_cast<long>(dr) * dr + dg * dg + db * db;
            if (bestDistance < 0 || distance <= bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        if (table.data[key] != best && wrong++ == 0)
            firstWrong = key;
    }
    EXPECT_EQ(0, wrong) << "expected every key to give the nearest entry; first wrong key "
                        << firstWrong;
    EXPECT_EQ(0, table.data[0]) << "expected key 0 -> entry 0 (black)";
    EXPECT_EQ(249, table.data[0x7C00]) << "expected key 0x7C00 -> entry 249 (red)";
    EXPECT_EQ(248, table.data[0x4210]) << "expected key 0x4210 -> entry 248 (128, 128, 128)";
    EXPECT_EQ(10, table.data[0x7FFF]) << "expected key 0x7FFF -> entry 10 (243, 244, 243)";
    EXPECT_EQ(245, table.data[1]) << "expected key 1 -> entry 245 (highest of 0, 244, 245)";
}

// ------------------------------------------------------------------ icon and cursor

// The fields an icon's and a cursor's group share: the type, one entry,
// and the entry's planes, bits per pixel, image size and image id. The
// entry's first four bytes, its size, differ between the two.
void ExpectOneGroupEntry(const Blob& group, WORD type, const char* kind, WORD bits, DWORD bytes,
                         WORD id) {
    EXPECT_EQ(type, Word(group.data + 2)) << "expected type " << type << " (" << kind << ")";
    EXPECT_EQ(1u, Word(group.data + 4)) << "expected one entry";
    EXPECT_EQ(1u, Word(group.data + 10)) << "expected 1 plane";
    EXPECT_EQ(bits, Word(group.data + 12))
        << "expected " << bits << " bit" << (bits == 1 ? "" : "s") << " per pixel";
    EXPECT_EQ(bytes, DWordAt(group.data + 14)) << "expected an image of " << bytes << " bytes";
    EXPECT_EQ(id, Word(group.data + 18)) << "expected image id " << id;
}

TEST(AssetCatalogue, IconGroupNamesOneSixteenColourImage) {
    Blob group = Load(kGroupIcon, 101);
    ASSERT_TRUE(group.data != nullptr) << "expected RT_GROUP_ICON 101";
    ASSERT_EQ(20u, static_cast<unsigned>(group.size)) << "expected a header and one entry";
    EXPECT_EQ(0u, Word(group.data)) << "expected reserved 0";
    EXPECT_EQ(32, group.data[6]) << "expected width 32";
    EXPECT_EQ(32, group.data[7]) << "expected height 32";
    EXPECT_EQ(16, group.data[8]) << "expected 16 colours";
    ExpectOneGroupEntry(group, 1, "icon", 4, 744, 1);

    Blob image = Load(kIcon, 1);
    ASSERT_TRUE(image.data != nullptr) << "expected RT_ICON 1";
    ASSERT_EQ(744u, static_cast<unsigned>(image.size)) << "expected 40 + 64 + 512 + 128 bytes";
    EXPECT_EQ(40ul, DWordAt(image.data)) << "expected a BITMAPINFOHEADER";
    EXPECT_EQ(32, SignedDWordAt(image.data + 4)) << "expected width 32";
    EXPECT_EQ(64, SignedDWordAt(image.data + 8)) << "expected height 64 (XOR and AND masks)";
    EXPECT_EQ(1u, Word(image.data + 12)) << "expected 1 plane";
    EXPECT_EQ(4u, Word(image.data + 14)) << "expected 4 bits per pixel";
}

TEST(AssetCatalogue, CursorIsThirtyTwoSquareAndShowsNoPixel) {
    Blob group = Load(kGroupCursor, 102);
    ASSERT_TRUE(group.data != nullptr) << "expected RT_GROUP_CURSOR 102";
    ASSERT_EQ(20u, static_cast<unsigned>(group.size)) << "expected a header and one entry";
    EXPECT_EQ(32u, Word(group.data + 6)) << "expected width 32";
    EXPECT_EQ(64u, Word(group.data + 8)) << "expected height 64 (both masks)";
    ExpectOneGroupEntry(group, 2, "cursor", 1, 308, 2);

    Blob image = Load(kCursor, 2);
    ASSERT_TRUE(image.data != nullptr) << "expected RT_CURSOR 2";
    ASSERT_EQ(308u, static_cast<unsigned>(image.size)) << "expected 4 + 40 + 8 + 128 + 128 bytes";
    EXPECT_EQ(0u, Word(image.data)) << "expected hot spot x 0";
    EXPECT_EQ(0u, Word(image.data + 2)) << "expected hot spot y 0";
    const unsigned char* bih = image.data + 4;
    EXPECT_EQ(40ul, DWordAt(bih)) << "expected a BITMAPINFOHEADER";
    EXPECT_EQ(32, SignedDWordAt(bih + 4)) << "expected width 32";
    EXPECT_EQ(64, SignedDWordAt(bih + 8)) << "expected height 64";
    EXPECT_EQ(1u, Word(bih + 14)) << "expected 1 bit per pixel";
    int xorSet = 0, andClear = 0;
    for (int i = 0; i < 128; ++i) {
        if (image.data[52 + i] != 0x00)
            ++xorSet;
        if (image.data[180 + i] != 0xFF)
            ++andClear;
    }
    EXPECT_EQ(0, xorSet) << "expected an XOR mask of zeros";
    EXPECT_EQ(0, andClear) << "expected an AND mask of ones, so no pixel shows";
}

// ------------------------------------------------------------------ dialogs and string

// Reads a DLGTEMPLATE (not the EX form) word by word.
struct TemplateReader {
    const unsigned char* data;
    DWORD size;
    DWORD pos;

    bool Fits(DWORD n) const { return pos + n <= size; }
    unsigned NextWord() {
        unsigned w = Fits(2) ? Word(data + pos) : 0xFFFFu;
        pos += 2;
        return w;
    }
    unsigned long NextDWord() {
        unsigned long d = Fits(4) ? DWordAt(data + pos) : 0;
        pos += 4;
        return d;
    }
    void AlignDWord() { pos = (pos + 3) & ~3u; }
    // A zero-terminated UTF-16 string equal to the ASCII text given.
    bool Text(const char* text) {
        if (Fits(2) && Word(data + pos) == 0xFFFFu)
            return false;
        for (;; ++text) {
            unsigned ch = NextWord();
            if (ch != static_cast<unsigned char>(*text))
                return false;
            if (ch == 0)
                return true;
        }
    }
    bool Ordinal(unsigned value) {
        if (NextWord() != 0xFFFFu)
            return false;
        return NextWord() == value;
    }
};

struct Control {
    unsigned long style;
    short x, y, cx, cy;
    unsigned id;
    unsigned classAtom;
    const char* text;  // or nullptr when the title is an ordinal
    unsigned titleOrdinal;
};

void CheckDialog(WORD id, unsigned long size, const char* title, const Control* controls,
                 int count) {
    SCOPED_TRACE(testing::Message() << "dialog " << id);
    Blob blob = Load(kDialog, id);
    ASSERT_TRUE(blob.data != nullptr) << "expected an RT_DIALOG resource";
    EXPECT_EQ(size, static_cast<unsigned long>(blob.size)) << "expected the catalogue's size";
    TemplateReader t = {blob.data, blob.size, 0};
    EXPECT_EQ(0x40C00040ul, t.NextDWord()) << "expected WS_CHILD | WS_CAPTION | DS_SETFONT";
    EXPECT_EQ(0ul, t.NextDWord()) << "expected no extended style";
    ASSERT_EQ(static_cast<unsigned>(count), t.NextWord()) << "expected the control count";
    const unsigned frame[4] = {0, 0, 220, 202};
    for (unsigned v : frame)
        EXPECT_EQ(v, t.NextWord()) << "expected the frame 0, 0, 220, 202";
    EXPECT_EQ(0u, t.NextWord()) << "expected no menu";
    EXPECT_EQ(0u, t.NextWord()) << "expected the default dialog class";
    EXPECT_TRUE(t.Text(title)) << "expected the title " << title;
    EXPECT_EQ(8u, t.NextWord()) << "expected an 8 point font";
    EXPECT_TRUE(t.Text("MS Sans Serif")) << "expected the font MS Sans Serif";
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(testing::Message() << "control " << i);
        const Control& c = controls[i];
        t.AlignDWord();
        ASSERT_TRUE(t.Fits(18)) << "expected the control inside the template";
        EXPECT_EQ(c.style, t.NextDWord()) << "expected style 0x" << std::hex << c.style;
        EXPECT_EQ(0ul, t.NextDWord()) << "expected no extended style";
        const unsigned rect[4] = {static_cast<unsigned>(c.x), static_cast<unsigned>(c.y),
                                  static_cast<unsigned>(c.cx), static_cast<unsigned>(c.cy)};
        for (unsigned v : rect)
            EXPECT_EQ(v, t.NextWord()) << "expected the listed rectangle";
        EXPECT_EQ(c.id, t.NextWord()) << "expected control id " << c.id;
        EXPECT_TRUE(t.Ordinal(c.classAtom))
            << "expected the predefined class atom 0x" << std::hex << c.classAtom;
        if (c.text != nullptr)
            EXPECT_TRUE(t.Text(c.text)) << "expected the text \"" << c.text << "\"";
        else
            EXPECT_TRUE(t.Ordinal(c.titleOrdinal)) << "expected resource " << c.titleOrdinal;
        EXPECT_EQ(0u, t.NextWord()) << "expected no creation data";
    }
    EXPECT_EQ(static_cast<DWORD>(blob.size), t.pos) << "expected nothing after the last control";
}

TEST(AssetCatalogue, PreferencesDialogHasTheResolutionCheckBox) {
    const Control controls[] = {
        {0x50000007ul, 7, 7, 206, 32, 0xFFFFu, 0x80, "Display Resolution", 0},
        {0x50010003ul, 13, 20, 181, 10, 1007, 0x80, "Allow change of display resolution.", 0},
    };
    CheckDialog(1800, 236, "Preferences", controls, 2);
}

TEST(AssetCatalogue, AboutDialogHasTheIconAndTwelveLinesOfText) {
    Blob blob = Load(kDialog, 1804);
    ASSERT_TRUE(blob.data != nullptr) << "expected RT_DIALOG 1804";
    // The text's middle lines are ours to choose: find it, then check its frame.
    const unsigned textStart = 114;  // header 64 + icon control 28, aligned, + 22
    ASSERT_GT(static_cast<unsigned>(blob.size), textStart) << "expected room for the text";
    char text[512] = {0};
    int lines = 1, length = 0;
    for (unsigned p = textStart; p + 1 < blob.size && length < 511; p += 2) {
        unsigned ch = Word(blob.data + p);
        if (ch == 0)
            break;
        EXPECT_NE(13u, ch) << "expected line feeds only, no carriage return";
        if (ch == 10)
            ++lines;
        text[length++] = static_cast<char>(ch);
    }
    EXPECT_EQ(12, lines) << "expected twelve lines";
    const char* head = "Veltrona Avrel Screen Saver\n\nVersion 1.0\n\n";
    for (int i = 0; head[i] != 0; ++i)
        ASSERT_EQ(head[i], text[i]) << "expected the text to begin with the name and version";
    const char* tail = "\n\nContains software written by\nThe Independent JPEG Group";
    int tailLength = static_cast<int>(std::strlen(tail));
    ASSERT_GE(length, tailLength) << "expected the closing credit";
    for (int i = 0; i < tailLength; ++i)
        EXPECT_EQ(tail[i], text[length - tailLength + i]) << "expected the JPEG group credit last";
    const Control controls[] = {
        {0x50000003ul, 5, 5, 20, 20, 0xFFFFu, 0x82, nullptr, 101},
        {0x50020000ul, 43, 5, 172, 192, 0xFFFFu, 0x82, text, 0},
    };
    CheckDialog(1804, 540, "About", controls, 2);
}

TEST(AssetCatalogue, StringBlockThirteenHoldsOnlyTheSheetTitle) {
    Blob block = Load(kString, 13);
    ASSERT_TRUE(block.data != nullptr) << "expected RT_STRING block 13 (ids 192-207)";
    EXPECT_EQ(86u, static_cast<unsigned>(block.size)) << "expected 15 empty strings and one of 27";
    const char* title = "Veltrona Avrel Screen Saver";
    DWORD pos = 0;
    for (int i = 0; i < 16 && pos + 2 <= block.size; ++i) {
        unsigned length = Word(block.data + pos);
        pos += 2;
        if (i == 200 - 192) {
            ASSERT_EQ(static_cast<unsigned>(std::strlen(title)), length)
                << "expected string 200's length";
            for (unsigned k = 0; k < length; ++k)
                EXPECT_EQ(static_cast<unsigned char>(title[k]), Word(block.data + pos + 2 * k))
                    << "expected string 200 = " << title;
        } else {
            EXPECT_EQ(0u, length) << "expected string " << 192 + i << " to be empty";
        }
        pos += 2 * length;
    }
    EXPECT_EQ(static_cast<DWORD>(block.size), pos) << "expected exactly sixteen strings";
}

TEST(AssetCatalogue, VersionBlockNamesVersionZeroZeroOneZero) {
    Blob block = Load(kVersion, 1);
    ASSERT_TRUE(block.data != nullptr) << "expected RT_VERSION 1";
    ASSERT_GE(static_cast<unsigned>(block.size), 92u) << "expected a fixed file info";
    const unsigned char* fixed = block.data + 40;  // after the header and "VS_VERSION_INFO"
    EXPECT_EQ(0xFEEF04BDul, DWordAt(fixed)) << "expected the fixed-info signature";
    EXPECT_EQ(0x00000000ul, DWordAt(fixed + 8)) << "expected file version 0.0 (high part)";
    EXPECT_EQ(0x00010000ul, DWordAt(fixed + 12)) << "expected file version 1.0 (low part)";
    EXPECT_EQ(0x00010000ul, DWordAt(fixed + 20)) << "expected product version 1.0 (low part)";
    EXPECT_EQ(0x3Ful, DWordAt(fixed + 24)) << "expected flags mask 0x3F";
    EXPECT_EQ(0x40004ul, DWordAt(fixed + 32)) << "expected VOS_NT_WINDOWS32";
    EXPECT_EQ(1ul, DWordAt(fixed + 36)) << "expected VFT_APP";
}

}  // namespace
