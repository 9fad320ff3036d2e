// A thousand seeded random command lines, each a program name (quoted or
// not, with blanks and bytes of 128 and above), blanks, and a tail of junk
// that often starts like a switch. The tail must come back exactly, and the
// mode must be the one its first two characters name.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "shell/CommandLine.h"
#include "shell/SaverMode.h"
#include "LeadBytes.h"

namespace {

// Bytes 1 to 255 that are not blanks and, for names, not quotes.
char RandomNameByte(std::mt19937& random, bool allowBlanks) {
    for (;;) {
        int byte = int(random() % 255) + 1;
        if (byte == '"' || (!allowBlanks && byte <= ' '))
            continue;
        return char(byte);
    }
}

std::string RandomTail(std::mt19937& random) {
    std::string tail;
    if (random() % 2 == 0) {
        tail += "/-"[random() % 2];
        tail += "cCsSpPxX"[random() % 8];
    }
    size_t length = random() % 24;
    for (size_t i = 0; i < length; ++i)
        tail += char(int(random() % 255) + 1);
    // The first byte of the tail is never a blank: blanks belong to the gap.
    if (!tail.empty() && static_cast<unsigned char>(tail[0]) <= ' ')
        tail[0] = 'x';
    return tail;
}

// What the tail asks for, worked out from the documented switches.
SaverMode ExpectedMode(const std::string& tail) {
    if (tail.empty())
        return SaverMode::Configure;
    if (tail.size() < 2 || (tail[0] != '/' && tail[0] != '-'))
        return SaverMode::None;
    switch (tail[1]) {
        case 'c':
        case 'C':
            return SaverMode::Configure;
        case 's':
        case 'S':
            return SaverMode::Run;
        default:
            return SaverMode::None;
    }
}

TEST(RandomCommandLineTest, ThousandJunkLinesGiveTheirTailAndMode) {
    std::mt19937 random(20261208);
    for (int i = 0; i < 1000; ++i) {
        bool quoted = random() % 2 == 0;
        std::string name;
        size_t nameLength = 1 + random() % 30;
        for (size_t k = 0; k < nameLength; ++k)
            name += RandomNameByte(random, quoted);
        if (quoted)
            name = "\"" + name + "\"";
        std::string gap(random() % 4, " \t"[random() % 2]);
        if (!quoted && gap.empty())
            gap = " ";
        std::string tail = RandomTail(random);
        std::string line = name + gap + tail;

        char* start = &line[0];
        char* rest = SkipProgramName(start, NoLeadBytes);
        ASSERT_GE(rest, start) << "line " << i;
        ASSERT_LE(rest, start + line.size()) << "line " << i << " read past its terminator";
        EXPECT_EQ(tail, std::string(rest)) << "line " << i;
        SaverMode mode = ChooseSaverMode(rest);
        EXPECT_EQ(ExpectedMode(tail), mode) << "line " << i << ", tail '" << tail << "'";
        EXPECT_EQ(mode, ChooseSaverMode(SkipProgramName(start))) << "line " << i;
    }
}

}  // namespace
