// File names as text. A name is the bytes the folder holds; bytes that are
// not UTF-8 (an old camera card's Latin-1, say) are kept, and stand for the
// code points U+DC80-U+DCFF (one per byte) when a name is read as text, so
// that every name reads, compares and prints without loss.
#pragma once

#include <string>
#include <vector>

namespace maker {

// The code points of `bytes`: well-formed UTF-8 sequences as they are, every
// other byte b as U+DC00 + b.
std::u32string DecodeName(const std::string& bytes);
// The inverse of DecodeName.
std::string EncodeName(const std::u32string& text);

// Unicode's full case folding (Straße and STRASSE fold alike).
std::u32string FoldCase(const std::u32string& text);

// Sorts names as a person expects to find them: by their case-folded text,
// and names that fold alike by their text, code point by code point.
void SortNames(std::vector<std::string>* names);

// `bytes` printable on a UTF-8 terminal: UTF-8 as it is, every other byte as
// \xNN (lower-case hexadecimal).
std::string PrintableName(const std::string& bytes);

// White space as Python's str.isspace counts it, so that plan files read the
// same as they always have.
bool IsSpace(char32_t c);

// `text` without the white space at either end.
std::u32string StripSpace(const std::u32string& text);

}  // namespace maker
