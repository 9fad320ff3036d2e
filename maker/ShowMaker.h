// The maker: a person's photos made into the resources of a personal show.
// Every still-picture slot of the show (kStageSlots) gets a photo by the
// plan rules, fitted to the slot's exact size and encoded in the form of
// the show's pictures; with more photos than slots, every pass of the show
// takes the next ones (the first pass's in the slots' own resources, the
// others in resources from kFirstPassPicture on, listed pass by pass in the
// show's pass table). The titles a person words are lettered in the show's
// own faces. The palette is designed anew over the whole picture set, every
// photo and the pictures the show keeps (logos, frame-line sources,
// filmstrips, the corner strip) included, and the colour table follows
// from it.
//
// Everything comes in as bytes and names and goes out as bytes: the caller
// lists the folder and reads the files (PhotoReader), and puts the result
// into a program file or serves it to the show. The same request gives the
// same bytes on every machine, with any number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "maker/BasePictures.h"
#include "maker/RgbImage.h"
#include "maker/ShowPlan.h"
#include "maker/TitlePictures.h"

namespace maker {

const int kPaletteId = 4098;
const int kColourTableId = 4099;
// Photos fitted at once at most: each may hold a large photo's decode.
const int kMaxThreads = 2;
// The pictures of the passes after the first, from this id up.
const int kFirstPassPicture = 10000;
// A show holds at most this many photos: ids enough for them all, and a
// program file (about 17 KB a photo) far below what the players open.
const int kMaxPhotos = 10000;

// A photo's bytes by its name; false with a one-line reason.
using PhotoReader = std::function<bool(const std::string& name, std::vector<unsigned char>* bytes,
                                       std::string* why)>;

// One slot filled: called as each slot is done, from any thread, one call
// at a time.
struct SlotProgress {
    int done = 0;   // pictures made so far, this one included
    int total = 0;  // pictures to make
    int slot = 0;
    int pass = 1;  // the first pass that shows it
    std::string name;
};

// A sub-folder of the photo folder: one chapter's photos.
struct ChapterFolder {
    std::string name;                 // the folder's name (bytes)
    std::vector<std::string> photos;  // names as `read` takes them, e.g. "day 1/a.jpg"
};

// One photo fitted into one slot and encoded beforehand (FitShare), or why
// that photo cannot be used.
struct FittedSlot {
    int slot = 0;
    std::string name;
    std::string why;  // empty: fitted
    RgbImage image;
    std::vector<unsigned char> jpeg;
    double enlargement = 1;
};

struct ShowRequest {
    std::vector<std::string> names;  // the folder's files, in any order (beside `chapters`)
    // The folder's sub-folders, in any order; the first five in name order
    // give the chapters their photos and chapters 2 to 5 their titles.
    std::vector<ChapterFolder> chapters;
    // The words to letter; anything left empty keeps the show's own picture.
    ShowWords words;
    FaceReader faces;  // the lettering's faces, needed when anything is lettered
    // Each group of slots shows its photos in an order drawn from `seed`
    // rather than in name order.
    bool shuffle = false;
    uint64_t seed = 0;
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
    // Photos fitted beforehand: a slot whose photo is among them takes it
    // from here instead of fitting it again, and a photo refused here is
    // refused for every slot.
    std::vector<FittedSlot> fitted;
};

// One picture made from a photo.
struct SlotUse {
    int slot = 0;
    int width = 0;
    int height = 0;
    std::string name;
    bool byPlan = false;
    int pass = 1;  // the first pass that shows it
    int id = 0;    // its resource
};

struct ShowResult {
    // RT_RCDATA id -> bytes: the new pictures, the palette and its table,
    // the lettered titles and, with more than one pass, the pass table.
    std::map<int, std::vector<unsigned char>> resources;
    std::vector<SlotUse> plan;  // in the order shown: pass by pass, slot by slot
    int passes = 1;             // passes until every photo has been shown
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
// of MakeShow's photo fitting shared out: each of `shares` makers fits its
// share (every shares-th) of the pictures, over every pass, that the round
// after those in request.fitted leaves open, reporting progress over its
// share. Rounds go on, each with every share's results added to
// request.fitted, until one refuses no photo; then one maker makes the show
// with them all, which gives MakeShow's bytes without fitting a photo
// again. False, with `why`,
// where MakeShow fails before it fits a photo (a bad plan or base, too
// many photos); words that cannot be lettered are MakeShow's to report.
bool FitShare(const ShowRequest& request, int share, int shares, std::vector<FittedSlot>* fitted,
              std::string* why);

}  // namespace maker
