// Arbitrary bytes as the process command line through the program-name
// skipping and the mode choice. The line ends at its first zero byte, and
// it is copied into a block of exactly that length, so any read past the
// terminator is a sanitizer report. The rest must point into the line, at
// or before its terminator, the mode is one of the three, and one-to-one
// pixels are asked for only with the run mode.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "shell/CommandLine.h"
#include "shell/SaverMode.h"
#include "FuzzCheck.h"

namespace {

bool NoLeadBytes(unsigned char) {
    return false;
}
bool ShiftJisLeadBytes(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool EveryByteLeads(unsigned char) {
    return true;
}

void Check(bool condition, const char* what) {
    FuzzCheck("command-line fuzz", condition, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the code page's idea of lead bytes.
    LeadByteTest tests[] = {NoLeadBytes, ShiftJisLeadBytes, EveryByteLeads, nullptr};
    LeadByteTest isLeadByte = tests[data[0] % 4];
    const char* text = reinterpret_cast<const char*>(data + 1);
    size_t length = strnlen(text, size - 1);

    char* line = static_cast<char*>(std::malloc(length + 1));
    std::memcpy(line, text, length);
    line[length] = '\0';
    char* rest = isLeadByte != nullptr ? SkipProgramName(line, isLeadByte) : SkipProgramName(line);
    Check(rest >= line && rest <= line + length, "the rest lies outside the line");
    int mode = static_cast<int>(ChooseSaverMode(rest));
    Check(mode == static_cast<int>(SaverMode::None) ||
              mode == static_cast<int>(SaverMode::Configure) ||
              mode == static_cast<int>(SaverMode::Run),
          "the mode is none of the three");
    Check(!AsksForOneToOnePixels(rest) || mode == static_cast<int>(SaverMode::Run),
          "one-to-one pixels asked for outside the run mode");
    std::free(line);
    return 0;
}
