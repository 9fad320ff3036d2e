#include "show/PassPictures.h"

#include "imaging/RcData.h"

namespace {

WORD Word(const BYTE* p) {
    return WORD(p[0] | p[1] << 8);
}

bool IsPicture(WORD id) {
    return FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_RCDATA) != nullptr;
}

}  // namespace

PassPictures::PassPictures(const std::vector<Place>& places) : places(places) {}

PassPictures::~PassPictures() = default;

PassPictures* PassPictures::Read(std::string* problem) {
    std::string ignored;
    std::string& why = problem != nullptr ? *problem : ignored;
    why.clear();
    DWORD size = 0;
    const BYTE* bytes = LockRcData(kPassPicturesId, &size);
    if (bytes == nullptr)
        return nullptr;
    const BYTE* end = bytes + size;
    auto words = [&](const BYTE* at, DWORD count) { return DWORD(end - at) / 2 >= count; };
    if (!words(bytes, 2) || Word(bytes) != kPassPicturesFormat) {
        why = "its pass table is of a form this program does not know";
        return nullptr;
    }
    int count = Word(bytes + 2);
    if (count < 1 || count > kMaxPassPlaces) {
        why = "its pass table lists " + std::to_string(count) + " places (1 to " +
              std::to_string(kMaxPassPlaces) + " may be)";
        return nullptr;
    }
    std::vector<Place> places;
    const BYTE* at = bytes + 4;
    for (int i = 0; i < count; ++i) {
        if (!words(at, 2) || !words(at + 4, Word(at + 2))) {
            why = "its pass table ends inside place " + std::to_string(i + 1);
            return nullptr;
        }
        Place place = {Word(at), at + 4, Word(at + 2)};
        if (place.id == 0 || place.count == 0) {
            why = "its pass table has a place " + std::to_string(place.id) + " with " +
                  std::to_string(place.count) + " pictures";
            return nullptr;
        }
        for (const Place& earlier : places) {
            if (earlier.id == place.id) {
                why = "its pass table lists place " + std::to_string(place.id) + " twice";
                return nullptr;
            }
        }
        for (WORD k = 0; k < place.count; ++k) {
            WORD picture = Word(place.pictures + 2 * k);
            if (!IsPicture(picture)) {
                why =
                    "its pass table names picture " + std::to_string(picture) + ", which it lacks";
                return nullptr;
            }
        }
        places.push_back(place);
        at += 4 + 2 * DWORD(place.count);
    }
    if (at != end) {
        why = "its pass table has bytes after its last place";
        return nullptr;
    }
    return new PassPictures(places);
}

int PassPictures::Picture(int id, DWORD pass) const {
    for (const Place& place : places) {
        if (place.id == WORD(id))
            return Word(place.pictures + 2 * (pass % place.count));
    }
    return id;
}
