// The mode choice of the saver's entry.
#include "shell/SaverMode.h"

#include "shell/CommandLine.h"

namespace {

// Only A to Z fold: the letters of other code pages must not match a switch.
char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when the line starts with the two-character switch `sw`. A line
// shorter than two characters ends in its terminator, which matches no
// switch, so nothing beyond it is read.
bool Matches(const char* line, const char* sw) {
    return FoldAscii(line[0]) == sw[0] && FoldAscii(line[1]) == sw[1];
}

bool StartsWith(const char* line, const char* a, const char* b) {
    return Matches(line, a) || Matches(line, b);
}

}  // namespace

SaverMode ChooseSaverMode(const char* commandLine) {
    if (commandLine[0] == '\0') {
        return SaverMode::Configure;
    }
    if (StartsWith(commandLine, "/c", "-c")) {
        return SaverMode::Configure;
    }
    // The preview pane is declined: no preview is drawn.
    if (StartsWith(commandLine, "/p", "-p")) {
        return SaverMode::None;
    }
    if (StartsWith(commandLine, "/s", "-s")) {
        return SaverMode::Run;
    }
    return SaverMode::None;
}

bool AsksForOneToOnePixels(const char* commandLine) {
    if (!StartsWith(commandLine, "/s", "-s")) {
        return false;
    }
    const char* p = commandLine + 2;
    while (IsCommandLineBlank(static_cast<unsigned char>(*p))) {
        ++p;
    }
    for (const char* word = "one-to-one"; *word != '\0'; ++word, ++p) {
        if (FoldAscii(*p) != *word) {
            return false;
        }
    }
    return *p == '\0' || IsCommandLineBlank(static_cast<unsigned char>(*p));
}
