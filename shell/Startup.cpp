// The program's entry behind the C run-time's start-up: it hands WinMain the
// command line without the program name, as GetCommandLineA has it.
//
// mingw-w64's own start-up (crtexe.c) computes that tail differently: it
// toggles a quote state instead of ending a quoted name at its closing
// quote, so "C:\Saver Dir\Avrel.scr"/s loses the /s and configures; and it
// compares signed chars, so a byte of 128 or above ends an unquoted name and
// is then skipped as a blank ("C:\Bücher\Avrel.scr /s" arrives as
// "cher\Avrel.scr /s" and exits). Defining main keeps every part of the
// run-time's initialisation and its normal exit (exit handlers, then
// ExitProcess) and replaces only the call into WinMain.
#include <windows.h>

#include "shell/CommandLine.h"

int main() {
    return WinMain(GetModuleHandleA(nullptr), nullptr, SkipProgramName(GetCommandLineA()),
                   StartupShowCommand());
}
