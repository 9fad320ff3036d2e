// Lead-byte tests for SkipProgramName, standing for the system's
// IsDBCSLeadByte in code pages with and without two-byte characters.
#pragma once

// A single-byte code page: no byte starts a two-byte character.
inline bool NoLeadBytes(unsigned char) {
    return false;
}

// Shift-JIS style: 0x81-0x9F and 0xE0-0xFC start a two-byte character.
inline bool ShiftJisLeadBytes(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
