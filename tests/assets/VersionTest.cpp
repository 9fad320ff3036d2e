// The program file's version block and the build's one version number agree:
// the fixed file and product versions and the two version strings.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "AvrelVersion.h"
#include "ResourceBytes.h"

namespace {

// The UTF-16 value that follows `key` in the block, as ASCII; "" if absent.
std::string StringValue(const unsigned char* block, DWORD size, const char* key) {
    std::u16string wide;
    for (const char* k = key; *k != '\0'; ++k)
        wide += char16_t(*k);
    wide += u'\0';
    for (DWORD i = 0; i + wide.size() * 2 <= size; i += 2) {
        bool match = true;
        for (size_t k = 0; k < wide.size() && match; ++k)
            match = (block[i + 2 * k] | block[i + 2 * k + 1] << 8) == wide[k];
        if (!match)
            continue;
        // The value starts on the next 32-bit boundary after the key.
        DWORD at = (i + DWORD(wide.size()) * 2 + 3) & ~3u;
        std::string value;
        for (; at + 1 < size && (block[at] | block[at + 1]) != 0; at += 2)
            value += char(block[at]);
        return value;
    }
    return "";
}

TEST(Version, TheProgramFilesVersionBlockCarriesTheBuildsVersion) {
    const Blob version = Load(kVersion, 1);
    const unsigned char* block = version.data;
    const DWORD size = version.size;
    ASSERT_NE(nullptr, block) << "expected RT_VERSION 1";
    ASSERT_GE(size, 92u);
    const unsigned char* fixed = block + 40;  // after the header and "VS_VERSION_INFO"
    ASSERT_EQ(0xFEEF04BDu, DWordAt(fixed)) << "expected the fixed-info signature";
    const DWORD high = DWORD(AVREL_VERSION_MAJOR) << 16 | AVREL_VERSION_MINOR;
    const DWORD low = DWORD(AVREL_VERSION_PATCH) << 16 | AVREL_VERSION_TWEAK;
    EXPECT_EQ(high, DWordAt(fixed + 8)) << "file version, high part, against " AVREL_VERSION;
    EXPECT_EQ(low, DWordAt(fixed + 12)) << "file version, low part, against " AVREL_VERSION;
    EXPECT_EQ(high, DWordAt(fixed + 16)) << "product version, high part, against " AVREL_VERSION;
    EXPECT_EQ(low, DWordAt(fixed + 20)) << "product version, low part, against " AVREL_VERSION;

    const std::string dotted =
        std::to_string(AVREL_VERSION_MAJOR) + ", " + std::to_string(AVREL_VERSION_MINOR) + ", " +
        std::to_string(AVREL_VERSION_PATCH) + ", " + std::to_string(AVREL_VERSION_TWEAK);
    EXPECT_EQ(dotted, StringValue(block, size, "FileVersion"));
    EXPECT_EQ(dotted, StringValue(block, size, "ProductVersion"));
}

}  // namespace
