// The command line as the saver's entry hands it to WinMain: the process
// command line without the program name, and the show command. Pure string
// work over what GetCommandLineA returns; nothing is copied or changed.
#pragma once

// Codes 1 to 32: the blanks between the parts of a command line. Bytes of
// 128 and above are never blanks.
bool IsCommandLineBlank(unsigned char c);

// Tells whether a byte starts a double-byte character in the ANSI code page.
using LeadByteTest = bool (*)(unsigned char byte);

// Skips the program name and the blanks after it. A name starting with a
// double quote ends at the next double quote (or the end), stepping over
// double-byte characters whole, so a trail byte that looks like a quote
// does not end it; any other name ends at the first byte of code 1 to 32.
// Then every byte of code 1 to 32 is skipped. Bytes of 128 and above are
// ordinary name characters, never blanks. Returns a pointer into `commandLine`.
char* SkipProgramName(char* commandLine, LeadByteTest isLeadByte);

// The same with the ANSI code page's lead bytes (IsDBCSLeadByte).
char* SkipProgramName(char* commandLine);

// The show command the program was started with: wShowWindow of the start-up
// information when STARTF_USESHOWWINDOW is set, else SW_SHOWDEFAULT.
int StartupShowCommand();
