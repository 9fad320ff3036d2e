// The command line WinMain receives, computed from the process command line.
#include "shell/CommandLine.h"

#include <windows.h>

namespace {

bool IsAnsiLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

}  // namespace

bool IsCommandLineBlank(unsigned char c) {
    return c >= 1 && c <= ' ';
}

char* SkipProgramName(char* commandLine, LeadByteTest isLeadByte) {
    // Bytes are compared unsigned: a signed char would take every byte of
    // 128 and above for a blank and cut a name such as "Über.scr" short.
    auto* p = reinterpret_cast<unsigned char*>(commandLine);
    if (*p == '"') {
        ++p;
        while (*p != 0 && *p != '"') {
            // A lead byte takes its trail byte along, but never the terminator.
            if (isLeadByte(*p) && p[1] != 0) {
                ++p;
            }
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p > ' ') {
            ++p;
        }
    }
    while (IsCommandLineBlank(*p)) {
        ++p;
    }
    return reinterpret_cast<char*>(p);
}

char* SkipProgramName(char* commandLine) {
    return SkipProgramName(commandLine, IsAnsiLeadByte);
}

int StartupShowCommand() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}
