// The keys of the blocks (maker::PackShow) that pass between the page's
// show and its maker, and that a saved page carries.
#pragma once

inline constexpr char kPageShowKey[] = "avrel web page: a made show\n";
inline constexpr char kBasePicturesKey[] = "avrel web page: base pictures\n";
