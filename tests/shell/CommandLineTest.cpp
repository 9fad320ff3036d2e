// The command line WinMain receives (program name skipped) and the mode it
// picks, for the command lines the screen-saver machinery and users give.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "shell/CommandLine.h"
#include "shell/SaverMode.h"
#include "LeadBytes.h"

// Modes by name in failure messages.
void PrintTo(SaverMode mode, std::ostream* out) {
    const char* names[] = {"None", "Configure", "Run"};
    *out << names[static_cast<int>(mode)];
}

namespace {

std::string Tail(std::string line, LeadByteTest isLead = NoLeadBytes) {
    char* start = &line[0];
    char* tail = SkipProgramName(start, isLead);
    EXPECT_GE(tail, start) << "tail points into the line";
    EXPECT_LE(tail, start + line.size()) << "tail stays inside the line";
    return tail;
}

TEST(SkipProgramNameTest, UnquotedNameEndsAtTheFirstBlank) {
    EXPECT_EQ("/s", Tail("Avrel.scr /s"));
    EXPECT_EQ("/s 1234", Tail("C:\\WINDOWS\\AVREL.SCR /s 1234"));
    EXPECT_EQ("/c:1234", Tail("Avrel.scr\t/c:1234"));
    EXPECT_EQ("", Tail("Avrel.scr"));
    EXPECT_EQ("", Tail(""));
}

TEST(SkipProgramNameTest, QuotedNameEndsAtItsClosingQuote) {
    EXPECT_EQ("/s", Tail("\"C:\\Program Files\\Avrel Saver\\Avrel.scr\" /s"));
    EXPECT_EQ("/p 1234", Tail("\"C:\\My Savers\\Avrel.scr\"   /p 1234"));
    // Nothing between the closing quote and the switch: the switch still counts.
    EXPECT_EQ("/s", Tail("\"C:\\My Savers\\Avrel.scr\"/s"));
    EXPECT_EQ("b /s", Tail("\"a\"b /s"));
    // An unclosed quote swallows the rest.
    EXPECT_EQ("", Tail("\"C:\\My Savers\\Avrel.scr /s"));
    EXPECT_EQ("", Tail("\"\""));
}

TEST(SkipProgramNameTest, OnlyCodesOneToThirtyTwoAreBlanks) {
    EXPECT_EQ("", Tail("Avrel.scr \t\r\n\x01\x1f "));
    EXPECT_EQ("/S", Tail("Avrel.scr\x01/S"));
    // Bytes of 128 and above belong to the name and are never skipped as blanks.
    EXPECT_EQ("/s", Tail("C:\\B\xfc"
                         "cher\\Avrel.scr /s"));
    EXPECT_EQ("\xe9t\xe9", Tail("Avrel.scr \xe9t\xe9"));
    EXPECT_EQ("/s", Tail("\"C:\\\xc4pfel \xfc\\Avrel.scr\" /s"));
}

TEST(SkipProgramNameTest, DoubleByteCharactersInAQuotedNameAreSteppedOverWhole) {
    // 0x83 0x22: a trail byte equal to a quote does not end the name.
    EXPECT_EQ("/s", Tail("\"C:\\\x83\"x\\Avrel.scr\" /s", ShiftJisLeadBytes));
    // Read as single bytes, the same line ends the name early.
    EXPECT_EQ("x\\Avrel.scr\" /s", Tail("\"C:\\\x83\"x\\Avrel.scr\" /s", NoLeadBytes));
    // A lead byte just before the terminator does not step past it.
    EXPECT_EQ("", Tail("\"C:\\\x83", ShiftJisLeadBytes));
}

TEST(SkipProgramNameTest, AnsiCodePageVariantAgreesOnSingleByteLines) {
    std::string line = "\"C:\\Program Files\\Avrel.scr\" \t/s 1234";
    EXPECT_STREQ("/s 1234", SkipProgramName(&line[0]));
    std::string plain = "Avrel.scr -c";
    EXPECT_STREQ("-c", SkipProgramName(&plain[0]));
}

struct ModeCase {
    const char* commandLine;
    SaverMode expected;
};

TEST(ChooseSaverModeTest, EveryCommandLinePicksItsMode) {
    const ModeCase cases[] = {
        {"/s", SaverMode::Run},
        {"/S", SaverMode::Run},
        {"-s", SaverMode::Run},
        {"-S", SaverMode::Run},
        {"/s 1234", SaverMode::Run},
        {"/sX 123", SaverMode::Run},
        {"/c", SaverMode::Configure},
        {"/C", SaverMode::Configure},
        {"-c", SaverMode::Configure},
        {"-C", SaverMode::Configure},
        {"/c:1234", SaverMode::Configure},
        {"", SaverMode::Configure},
        {"/p 1234", SaverMode::None},
        {"/p", SaverMode::None},
        {"-p", SaverMode::None},
        {"-P", SaverMode::None},
        {"/P 99", SaverMode::None},
        {"/a 1234", SaverMode::None},
        {"/a", SaverMode::None},
        {"/x", SaverMode::None},
        {"x", SaverMode::None},
        {"s", SaverMode::None},
        {"/", SaverMode::None},
        {"-", SaverMode::None},
        {" /s", SaverMode::None},
        {"s/", SaverMode::None},
        {"//s", SaverMode::None},
        // Only A to Z fold: 0xD3 and 0xF3 are no 's'.
        {"/\xd3", SaverMode::None},
        {"/\xf3", SaverMode::None},
    };
    for (const ModeCase& c : cases) {
        EXPECT_EQ(c.expected, ChooseSaverMode(c.commandLine))
            << "command line \"" << c.commandLine << "\"";
    }
}

TEST(ChooseSaverModeTest, OneToOnePixelsOnlyByTheWordAfterTheRunSwitch) {
    for (const char* line : {"/s one-to-one", "-S ONE-TO-ONE", "/s\tOne-To-One",
                             "/s   one-to-one 7", "/sone-to-one"}) {
        EXPECT_EQ(SaverMode::Run, ChooseSaverMode(line)) << line;
        EXPECT_TRUE(AsksForOneToOnePixels(line)) << line;
    }
    for (const char* line :
         {"/s", "/s 1234", "/s one-to-on", "/s one-to-ones", "/s one to one", "/c one-to-one",
          "/p one-to-one", "one-to-one", "", "/", "/s one-to-one\xe9"}) {
        EXPECT_FALSE(AsksForOneToOnePixels(line)) << line;
    }
}

TEST(ChooseSaverModeTest, StartupTailAndModeTogether) {
    // What the screen-saver settings and the shell's context menu send.
    struct {
        const char* processLine;
        SaverMode expected;
    } cases[] = {
        {"C:\\WINDOWS\\AVREL.SCR /s", SaverMode::Run},
        {"\"C:\\Program Files\\Avrel\\Avrel.scr\" /S", SaverMode::Run},
        {"\"C:\\Program Files\\Avrel\\Avrel.scr\"/s", SaverMode::Run},
        {"\"C:\\Program Files\\Avrel\\Avrel.scr\" /c:2042", SaverMode::Configure},
        {"\"C:\\Program Files\\Avrel\\Avrel.scr\"", SaverMode::Configure},
        {"C:\\WINDOWS\\AVREL.SCR    ", SaverMode::Configure},
        {"C:\\WINDOWS\\AVREL.SCR /p 1234", SaverMode::None},
        {"C:\\Sch\xf6n\\AVREL.SCR /s", SaverMode::Run},
    };
    for (const auto& c : cases) {
        std::string line = c.processLine;
        EXPECT_EQ(c.expected, ChooseSaverMode(SkipProgramName(&line[0], NoLeadBytes)))
            << "process command line \"" << c.processLine << "\"";
    }
}

}  // namespace
