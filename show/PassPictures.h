// A personal show with more photos than the script has places for them:
// resource 4100 lists, for each place whose picture changes from pass to
// pass, the pictures it shows in turn, and every pass of the script takes
// the next of each list. The script itself names the places (the ids of its
// pictures), so a program without the resource, the shipped one included,
// plays exactly as the script says, and a player that does not know the
// resource shows the places' own pictures, which are those of the first
// pass.
//
// The resource is little-endian 16-bit words: the format (1), the number of
// places, then for each place its id, the number of its pictures and their
// ids; nothing after the last. A table that breaks any rule (another
// format, a size that does not add up, no places or more than the script
// has, a place named twice or a picture of count 0, a picture that is not an
// RT_RCDATA resource) is not used at all.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

const WORD kPassPicturesId = 4100;
const WORD kPassPicturesFormat = 1;
const int kMaxPassPlaces = 64;

class PassPictures {
public:
    // The table of the resources the program serves, or null when it has
    // none; null too when it breaks a rule, which `problem`, if given, then
    // names (it stays empty when there is no table).
    static PassPictures* Read(std::string* problem);

    virtual ~PassPictures();

    // The picture place `id` shows in pass `pass` (counted from 0): the next
    // of its list in every pass, from the first again after the last; `id`
    // itself when the table does not list it.
    virtual int Picture(int id, DWORD pass) const;

private:
    struct Place {
        WORD id;
        const BYTE* pictures;  // `count` words in the resource
        WORD count;
    };

    explicit PassPictures(const std::vector<Place>& places);

    std::vector<Place> places;
};
