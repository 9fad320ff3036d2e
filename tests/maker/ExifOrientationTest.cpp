// Reading the orientation out of EXIF blocks as JPEG, PNG and WebP files
// carry them, and nothing but "upright" out of broken ones.
#include <gtest/gtest.h>

#include <vector>

#include "maker/ExifOrientation.h"

namespace {

// A TIFF block whose first directory holds `tag` of `type` with `value`.
std::vector<unsigned char> Block(bool bigEndian, bool prefix, int type, unsigned value,
                                 unsigned tag = 0x0112, unsigned count = 1) {
    std::vector<unsigned char> b;
    auto put16 = [&](unsigned v) {
        b.push_back(static_cast<unsigned char>(bigEndian ? v >> 8 : v));
        b.push_back(static_cast<unsigned char>(bigEndian ? v : v >> 8));
    };
    auto put32 = [&](unsigned v) {
        bigEndian ? (put16(v >> 16), put16(v)) : (put16(v), put16(v >> 16));
    };
    if (prefix)
        b.insert(b.end(), {'E', 'x', 'i', 'f', 0, 0});
    if (bigEndian)
        b.insert(b.end(), {'M', 'M', 0, 42});
    else
        b.insert(b.end(), {'I', 'I', 42, 0});
    put32(8);
    put16(2);
    put16(0x010F);  // the camera's maker, before the orientation
    put16(2);
    put32(4);
    put32(0);
    put16(tag);
    put16(unsigned(type));
    put32(count);
    type == 3 ? (put16(value), put16(0)) : put32(value);
    put32(0);
    return b;
}

int Read(const std::vector<unsigned char>& b) {
    return maker::ExifOrientation(b.data(), b.size());
}

TEST(ExifOrientationTest, ReadsEitherByteOrderWithOrWithoutTheExifPrefix) {
    for (unsigned value = 1; value <= 8; ++value) {
        EXPECT_EQ(int(value), Read(Block(false, true, 3, value)));
        EXPECT_EQ(int(value), Read(Block(true, true, 3, value)));
        EXPECT_EQ(int(value), Read(Block(false, false, 3, value)));
        EXPECT_EQ(int(value), Read(Block(true, false, 4, value)));
    }
}

TEST(ExifOrientationTest, AnythingMissingOrDamagedIsUpright) {
    EXPECT_EQ(1, Read(Block(false, true, 3, 9)));             // out of range
    EXPECT_EQ(1, Read(Block(false, true, 3, 0)));             // out of range
    EXPECT_EQ(1, Read(Block(false, true, 3, 6, 0x0110)));     // another tag
    EXPECT_EQ(1, Read(Block(false, true, 3, 6, 0x0112, 2)));  // two values
    EXPECT_EQ(1, Read(Block(false, true, 2, 6)));             // text
    std::vector<unsigned char> b = Block(true, true, 3, 6);
    for (size_t cut = 0; cut + 1 < b.size() - 4; ++cut)  // every cut before the value
        EXPECT_EQ(1, maker::ExifOrientation(b.data(), cut)) << "cut at " << cut;
    b = Block(false, false, 3, 6);
    b[4] = 0xF0;  // the directory's offset past the end
    EXPECT_EQ(1, Read(b));
    b = Block(false, false, 3, 6);
    b[8] = 0xFF;  // more entries than the block holds, the orientation among them
    b[9] = 0xFF;
    EXPECT_EQ(6, Read(b));
    b[22] = 0x11;  // ... and not: the walk must stop at the end
    EXPECT_EQ(1, Read(b));
    EXPECT_EQ(1, maker::ExifOrientation(nullptr, 0));
}

}  // namespace
