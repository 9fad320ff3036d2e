// Process start-up information of the stand-in: a process started with no
// show command, in a single-byte ANSI code page (1252).
#include <windows.h>

void GetStartupInfoA(LPSTARTUPINFOA startup) {
    DWORD size = startup->cb;
    *startup = STARTUPINFOA{};
    startup->cb = size;
}

BOOL IsDBCSLeadByte(BYTE) {
    return FALSE;
}
