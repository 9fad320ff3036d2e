// Reads a whole number from a command line: decimal digits and nothing else.
#pragma once

#include <string>

// True, with `value` set, when `text` is one or more decimal digits whose
// number lies from `low` to `high`; false, leaving `value` alone, for
// anything else: a sign, a blank, a fraction or a number out of range,
// however many digits it has.
bool ParseWholeNumber(const std::string& text, long low, long high, long* value);
