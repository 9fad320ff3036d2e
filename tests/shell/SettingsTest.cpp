// LoadSettings and SaveSettings against a registry key of the test's own.
#include <gtest/gtest.h>

#include "SettingsTestKey.h"
#include "shell/Settings.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override {
        ChangeResolution = 0;
        OneToOnePixels = 0;
    }

    // Stores `size` bytes of `type` as the value and loads them.
    LONG LoadRaw(DWORD type, const void* data, DWORD size) {
        key_.WriteRaw(type, data, size);
        return LoadSettings();
    }

    SettingsTestKey key_;
};

TEST(SettingsLocationTest, ProductKeyUnderTheCurrentUser) {
    EXPECT_EQ(HKEY_CURRENT_USER, settingsLocation.root);
    EXPECT_STREQ("Software\\Quillmere\\Veltrona Avrel Saver", settingsLocation.subKey);
}

TEST_F(SettingsTest, MissingKeyLeavesTheFlagAlone) {
    ChangeResolution = 7;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LoadSettings());
    EXPECT_EQ(7u, ChangeResolution);
    EXPECT_FALSE(key_.Exists()) << "loading created the key";
}

TEST_F(SettingsTest, MissingValueLeavesTheFlagAlone) {
    ChangeResolution = 1;
    ASSERT_EQ(ERROR_SUCCESS, SaveSettings());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, key_.Path().c_str(), 0, KEY_ALL_ACCESS, &key));
    RegDeleteValueA(key, "ChangeResolution");
    RegCloseKey(key);
    ChangeResolution = 5;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LoadSettings());
    EXPECT_EQ(5u, ChangeResolution);
}

TEST_F(SettingsTest, SaveCreatesTheKeyAndLoadReadsItBack) {
    ChangeResolution = 1;
    EXPECT_EQ(ERROR_SUCCESS, SaveSettings());
    DWORD type = 0, value = 0, size = 0;
    ASSERT_TRUE(key_.ReadDword(&type, &value, &size)) << "no value after saving";
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(4u, size);
    EXPECT_EQ(1u, value);

    ChangeResolution = 0;
    EXPECT_EQ(ERROR_SUCCESS, LoadSettings());
    EXPECT_EQ(1u, ChangeResolution);
}

TEST_F(SettingsTest, SaveOverwritesAnExistingValue) {
    const char text[] = "yes, please";
    key_.WriteRaw(REG_SZ, text, sizeof text);
    ChangeResolution = 0x12345678;
    EXPECT_EQ(ERROR_SUCCESS, SaveSettings());
    DWORD type = 0, value = 0, size = 0;
    ASSERT_TRUE(key_.ReadDword(&type, &value, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(0x12345678u, value);
    ChangeResolution = 0;
    EXPECT_EQ(ERROR_SUCCESS, LoadSettings());
    EXPECT_EQ(0x12345678u, ChangeResolution);
}

TEST_F(SettingsTest, ShortValuesOfAnyTypeLandAsRawBytes) {
    const BYTE binary[] = {0x34, 0x12};
    ChangeResolution = 0xAABBCCDD;
    EXPECT_EQ(ERROR_SUCCESS, LoadRaw(REG_BINARY, binary, sizeof binary));
    EXPECT_EQ(0xAABB1234u, ChangeResolution) << "two bytes replace the low two";

    const char one[] = "1";
    ChangeResolution = 0;
    EXPECT_EQ(ERROR_SUCCESS, LoadRaw(REG_SZ, one, sizeof one));
    EXPECT_EQ(0x31u, ChangeResolution) << "the text's bytes, not its number";

    const BYTE four[] = {2, 0, 0, 0};
    EXPECT_EQ(ERROR_SUCCESS, LoadRaw(REG_BINARY, four, sizeof four));
    EXPECT_EQ(2u, ChangeResolution);

    const DWORD bigEndian = 0x01000000;
    EXPECT_EQ(ERROR_SUCCESS, LoadRaw(REG_DWORD_BIG_ENDIAN, &bigEndian, sizeof bigEndian));
    EXPECT_EQ(0x01000000u, ChangeResolution) << "stored bytes taken as they are";
}

TEST_F(SettingsTest, LongerValueLeavesTheFlagAlone) {
    const BYTE eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
    ChangeResolution = 9;
    EXPECT_EQ(ERROR_MORE_DATA, LoadRaw(REG_BINARY, eight, sizeof eight));
    EXPECT_EQ(9u, ChangeResolution) << "part of a longer value landed in the flag";

    const char text[] = "enabled";
    EXPECT_EQ(ERROR_MORE_DATA, LoadRaw(REG_SZ, text, sizeof text));
    EXPECT_EQ(9u, ChangeResolution);
}

TEST_F(SettingsTest, OneToOnePixelsIsReadBesideChangeResolutionAndNeverWritten) {
    const DWORD one = 1;
    key_.WriteRaw(REG_DWORD, &one, sizeof one, "OneToOnePixels");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LoadSettings()) << "the status is ChangeResolution's";
    EXPECT_EQ(1u, OneToOnePixels);
    EXPECT_EQ(0u, ChangeResolution);

    ChangeResolution = 1;
    OneToOnePixels = 0;
    ASSERT_EQ(ERROR_SUCCESS, SaveSettings());
    EXPECT_EQ(ERROR_SUCCESS, LoadSettings());
    EXPECT_EQ(1u, OneToOnePixels) << "saving the sheet's setting left it as it was";

    const BYTE eight[8] = {};
    key_.WriteRaw(REG_BINARY, eight, sizeof eight, "OneToOnePixels");
    EXPECT_EQ(ERROR_SUCCESS, LoadSettings());
    EXPECT_EQ(1u, OneToOnePixels) << "a longer value leaves the flag alone";
}

}  // namespace
