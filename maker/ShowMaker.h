// The maker: a person's photos made into the resources of a personal show.
// Every still-picture slot of the show (kStageSlots) gets a photo by the
// plan rules, fitted to the slot's exact size and encoded in the form of
// the show's pictures; the palette is designed anew over the whole picture
// set, the pictures the show keeps (logos, frame-line sources, filmstrips,
// the corner strip) included, and the colour table follows from it.
//
// Everything comes in as bytes and names and goes out as bytes: the caller
// lists the folder and reads the files (PhotoReader), and puts the result
// into a program file or serves it to the show. The same request gives the
// same bytes on every machine, with any number of threads.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "maker/BasePictures.h"
#include "maker/RgbImage.h"
#include "maker/ShowPlan.h"

namespace maker {

const int kPaletteId = 4098;
const int kColourTableId = 4099;
// Photos fitted at once at most: each may hold a large photo's decode.
const int kMaxThreads = 2;

// A photo's bytes by its name; false with a one-line reason.
using PhotoReader = std::function<bool(const std::string& name, std::vector<unsigned char>* bytes,
                                       std::string* why)>;

// One slot filled: called as each slot is done, from any thread, one call
// at a time.
struct SlotProgress {
    int done = 0;   // slots filled so far, this one included
    int total = 0;  // slots to fill
    int slot = 0;
    std::string name;
};

// One slot's photo fitted and encoded beforehand (FitShare), or why that
// photo cannot be used.
struct FittedSlot {
    int slot = 0;
    std::string name;
    std::string why;  // empty: fitted
    RgbImage image;
    std::vector<unsigned char> jpeg;
    double enlargement = 1;
};

struct ShowRequest {
    std::vector<std::string> names;  // the folder's files, in any order
    PhotoReader read;
    bool hasPlan = false;
    std::string planText;  // the plan file's bytes
    std::string planName;  // how messages name it
    Fit fit = Fit::Cover;
    // Every picture of the base program by resource id (JPEG files); the
    // slots' sizes and kinds are theirs, and the pictures not replaced are
    // kept and count for the palette.
    PictureSet basePictures;
    int threads = 1;  // photos fitted at once, up to kMaxThreads
    std::function<void(const SlotProgress&)> progress;
    // Slots fitted beforehand: a slot whose photo is among them takes it
    // from here instead of fitting it again.
    std::vector<FittedSlot> fitted;
};

struct SlotUse {
    int slot = 0;
    int width = 0;
    int height = 0;
    std::string name;
    bool byPlan = false;
};

struct ShowResult {
    // RT_RCDATA id -> bytes: the new pictures, the palette and its table.
    std::map<int, std::vector<unsigned char>> resources;
    std::vector<SlotUse> plan;                                 // in slot order
    std::vector<std::pair<std::string, std::string>> skipped;  // name, why; in name order
    std::vector<std::string> warnings;
};

enum class MakeOutcome {
    Made,
    NoPhotos,  // no usable photo among the names (result.skipped says why)
    Failed,    // the plan or the base pictures are wrong, or a step failed (`why`)
};

MakeOutcome MakeShow(const ShowRequest& request, ShowResult* result, std::string* why);

// For makers that cannot share memory (the web page's workers), one round
// of MakeShow's slot filling shared out: each of `shares` makers fits its
// share (every shares-th) of the slots that the round after those in
// request.fitted leaves open, reporting progress over its share. Rounds go
// on, each with every share's results added to request.fitted, until one
// refuses no photo; then one maker makes the show with them all, which
// gives MakeShow's bytes without fitting a photo again. False, with `why`,
// where MakeShow fails before it fits a photo (a bad plan or base).
bool FitShare(const ShowRequest& request, int share, int shares, std::vector<FittedSlot>* fitted,
              std::string* why);

}  // namespace maker
