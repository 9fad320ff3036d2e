// avrel's command line: every form xscreensaver's hacks accept, and a clear
// refusal of everything else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linux/Options.h"

namespace {

Options Parse(const std::vector<std::string>& args, const char* screensaverWindow = nullptr) {
    Options options;
    std::string error = ParseOptions(args, screensaverWindow, &options);
    EXPECT_EQ("", error) << "for the arguments given";
    return options;
}

std::string Refusal(const std::vector<std::string>& args, const char* screensaverWindow = nullptr) {
    Options options;
    return ParseOptions(args, screensaverWindow, &options);
}

TEST(OptionsTest, NoOptionGivesAWindowOfItsOwnAt1024x768ScaledAutomatically) {
    Options o = Parse({});
    EXPECT_EQ(Target::OwnWindow, o.target);
    EXPECT_EQ(1024, o.width);
    EXPECT_EQ(768, o.height);
    EXPECT_FALSE(o.fullscreen);
    EXPECT_EQ(0, o.scale) << "0 is auto";
    EXPECT_EQ("", o.display);
    EXPECT_FALSE(o.help);
    EXPECT_FALSE(o.version);
}

TEST(OptionsTest, OneAndTwoDashesAreTheSame) {
    for (const char* root : {"-root", "--root"})
        EXPECT_EQ(Target::Root, Parse({root}).target) << root;
    for (const char* geometry : {"-geometry", "--geometry"}) {
        Options o = Parse({geometry, "800x600"});
        EXPECT_EQ(800, o.width);
        EXPECT_EQ(600, o.height);
    }
    EXPECT_TRUE(Parse({"--fullscreen"}).fullscreen);
    EXPECT_TRUE(Parse({"-fullscreen"}).fullscreen);
    EXPECT_EQ(":7", Parse({"--display", ":7"}).display);
    EXPECT_EQ(":7", Parse({"-display", ":7"}).display);
    for (const char* help : {"-h", "--h", "-help", "--help"})
        EXPECT_TRUE(Parse({help}).help) << help;
    EXPECT_TRUE(Parse({"--version"}).version);
    EXPECT_TRUE(Parse({"-version"}).version);
    EXPECT_EQ("my.scr", Parse({"-scr", "my.scr"}).programFile);
    EXPECT_EQ("/x/Avrel.scr", Parse({"--scr", "/x/Avrel.scr"}).programFile);
    EXPECT_EQ("/home/me/Photos", Parse({"-pictures", "/home/me/Photos"}).pictures);
    EXPECT_EQ("my photos", Parse({"--pictures", "my photos"}).pictures);
    EXPECT_EQ("", Parse({"--pictures", ""}).pictures) << "none chosen: the show's own";
}

TEST(OptionsTest, WindowIdsAreDecimalOrHex) {
    Options o = Parse({"-window-id", "4194311"});
    EXPECT_EQ(Target::Window, o.target);
    EXPECT_EQ(4194311ul, o.windowId);
    EXPECT_EQ(0x400007ul, Parse({"--window-id", "0x400007"}).windowId);
    EXPECT_EQ(0xABCDEFul, Parse({"-window-id", "0XabcDEF"}).windowId);
    EXPECT_EQ(0xFFFFFFFFul, Parse({"-window-id", "0xffffffff"}).windowId);
    EXPECT_EQ(4294967295ul, Parse({"-window-id", "4294967295"}).windowId);
}

TEST(OptionsTest, ScaleIsAWholeNumberOrAuto) {
    EXPECT_EQ(2, Parse({"-scale", "2"}).scale);
    EXPECT_EQ(1, Parse({"--scale", "1"}).scale);
    EXPECT_EQ(16, Parse({"-scale", "16"}).scale);
    EXPECT_EQ(0, Parse({"-scale", "3", "-scale", "auto"}).scale) << "the last one counts";
}

TEST(OptionsTest, TheScreenSaversWindowIsUsedWithoutATargetAndForRoot) {
    Options o = Parse({}, "0x1200005");
    EXPECT_EQ(Target::Window, o.target);
    EXPECT_EQ(0x1200005ul, o.windowId);
    o = Parse({"--root"}, "18874373");
    EXPECT_EQ(Target::Window, o.target) << "xscreensaver runs its hacks with --root";
    EXPECT_EQ(18874373ul, o.windowId);
    EXPECT_EQ(0x42ul, Parse({"-window-id", "0x42"}, "0x1200005").windowId)
        << "an explicit window wins";
    EXPECT_EQ(Target::OwnWindow, Parse({"-window"}, "0x1200005").target);
    EXPECT_EQ(Target::Root, Parse({"-root"}, "").target) << "an empty variable is not set";
}

TEST(OptionsTest, BadInputIsRefusedWithOneLineSayingWhat) {
    const std::vector<std::vector<std::string>> refused = {
        {"-bogus"},
        {"--"},
        {"root"},
        {"-"},
        {"---root"},
        {"-window-id"},
        {"-window-id", "0"},
        {"-window-id", "0x"},
        {"-window-id", "12abc"},
        {"-window-id", "0x100000000"},
        {"-window-id", "4294967296"},
        {"-window-id", "-5"},
        {"-geometry", "800"},
        {"-geometry", "0x600"},
        {"-geometry", "800x"},
        {"-geometry", "x600"},
        {"-geometry", "99999x600"},
        {"-geometry", "8e2x600"},
        {"-scale", "0"},
        {"-scale", "17"},
        {"-scale", "1.5"},
        {"-scale", "+2"},
        {"-scale", "18446744073709551618"},  // 2^64 + 2: wraps to 2 in 64 bits
        {"-scale", "two"},
        {"-scale", ""},
        {"-scale"},
        {"-display"},
        {"-pictures"},
    };
    for (const auto& args : refused) {
        std::string error = Refusal(args);
        std::string shown;
        for (const auto& a : args)
            shown += "'" + a + "' ";
        EXPECT_NE("", error) << "refused: " << shown;
        EXPECT_EQ(std::string::npos, error.find('\n')) << "one line for " << shown;
    }
    EXPECT_NE("", Refusal({}, "nonsense"));
    EXPECT_NE(std::string::npos, Refusal({"-scale", "two"}).find("'two'"))
        << "the message names the bad value";
    EXPECT_NE(std::string::npos, Refusal({"--frobnicate"}).find("--frobnicate"));
}

TEST(OptionsTest, GeometryMayCarryAPosition) {
    Options o = Parse({"-geometry", "640x480+10+20"});
    EXPECT_EQ(640, o.width);
    EXPECT_EQ(480, o.height);
}

}  // namespace
