// avrel-maker.js: the web page's maker, the same maker as avrel-custom's,
// run in a worker of its own (web/page/maker-worker.js), so that the show
// plays on while photos are fitted, and the memory they took goes back to
// the browser when the worker ends. It makes a show of the visitor's
// photos, and writes a personal Avrel.scr of a show as avrel-custom does.
// The photos are a folder here (/photos, read from their File objects as
// the maker asks), listed and read as avrel-custom lists and reads a
// folder, one photo at a time; the faces the page carries for the titles'
// lettering are another (/faces). The pictures the show is made over come
// from the page's show. Where the browser lends two cores, two workers fit
// the photos beside each other, each its share (maker::FitShare), and the
// first makes the show. What happens goes to the worker's script as it
// happens.
#include <emscripten.h>

#include <set>
#include <string>
#include <vector>

#include "maker/MadeShow.h"
#include "maker/PersonalProgram.h"
#include "maker/PhotoFolder.h"
#include "maker/SaverName.h"
#include "maker/ShowMaker.h"
#include "maker/TitlePictures.h"
#include "web/ShowBlocks.h"

namespace {

EM_JS(void, TellProgress, (int done, int total, const char* name),
      { postMessage({kind : "progress", done : done, total : total, name : UTF8ToString(name)}); });

EM_JS(void, TellSkipped, (const char* name, const char* why),
      { postMessage({kind : "skipped", name : UTF8ToString(name), why : UTF8ToString(why)}); });

EM_JS(void, TellWarning, (const char* text),
      { postMessage({kind : "warning", text : UTF8ToString(text)}); });

// The show made (a packed block, copied out), or why there is none.
EM_JS(void, TellMade, (const unsigned char* show, int size, int slots, int photos, int passes), {
    var bytes = HEAPU8.slice(show, show + size);
    postMessage({kind : "made", show : bytes, slots : slots, photos : photos, passes : passes},
                [bytes.buffer]);
});

EM_JS(void, TellWritten, (const unsigned char* program, int size, const char* fileName), {
    var bytes = HEAPU8.slice(program, program + size);
    postMessage({kind : "written", program : bytes, fileName : UTF8ToString(fileName)},
                [bytes.buffer]);
});

EM_JS(void, TellNone, (int files, const char* why),
      { postMessage({kind : "none", files : files, why : UTF8ToString(why)}); });

// One slot fitted (or its photo refused), for the workers beside this one.
EM_JS(void, TellFitted,
      (int slot, const char* name, const char* why, double enlargement, int width, int height,
       const unsigned char* pixels, int pixelsSize, const unsigned char* jpeg, int jpegSize),
      {
          var p = HEAPU8.slice(pixels, pixels + pixelsSize);
          var j = HEAPU8.slice(jpeg, jpeg + jpegSize);
          postMessage({
              kind : "fitted",
              fitted : {
                  slot : slot,
                  name : UTF8ToString(name),
                  why : UTF8ToString(why),
                  enlargement : enlargement,
                  width : width,
                  height : height,
                  pixels : p,
                  jpeg : j
              }
          },
                      [ p.buffer, j.buffer ]);
      });

const char kFolder[] = "/photos";
const char kFaces[] = "/faces";

// The lettering's faces, which the page hands over with the photos.
bool ReadPageFace(const std::string& face, std::vector<unsigned char>* bytes, std::string* why) {
    if (maker::ReadPhotoFile(kFaces, face, bytes, why))
        return true;
    *why = "the page does not carry";
    return false;
}

// Every slot fitted so far, here and by the workers beside this one.
std::vector<maker::FittedSlot>& Fitted() {
    static auto* fitted = new std::vector<maker::FittedSlot>;
    return *fitted;
}

// The words a visitor set in the page, as the lines of a words file
// (avrel-custom's --words), and the order of the photos.
struct PageWords {
    std::string text;
    bool shuffle = false;
    uint64_t seed = 0;

    PageWords(const char* words, int wordsSize, int shuffled, double seedValue)
        : text(words, size_t(wordsSize)), shuffle(shuffled != 0), seed(uint64_t(seedValue)) {}

    bool Read(maker::ShowWords* words, std::string* why) const {
        return maker::ReadWordsFile(text, "the words", words, why);
    }
};

// The request for the photos in /photos (its sub-folders the chapters, as
// avrel-custom reads a folder) over the packed base pictures in `size`
// bytes at `base`, covering each slot or (`contain`) letterboxed; false,
// told to the page, when there is none.
bool FolderShowRequest(const unsigned char* base, int size, int contain, const PageWords& words,
                       maker::ShowRequest* request, int* files) {
    maker::PhotoTree tree;
    std::string why;
    maker::MadeResources pictures;
    if (!maker::UnpackShow(base, size_t(size), kBasePicturesKey, &pictures)) {
        TellNone(0, "the show's own pictures did not reach the maker");
        return false;
    }
    if (!maker::ListPhotoTree(kFolder, &tree, &why) || tree.AllFiles().empty()) {
        TellNone(0, "no files came");
        return false;
    }
    *request = maker::FolderRequest(kFolder, tree);
    if (!words.Read(&request->words, &why)) {
        TellNone(0, why.c_str());
        return false;
    }
    request->shuffle = words.shuffle;
    request->seed = words.seed;
    request->faces = ReadPageFace;
    request->basePictures = std::move(pictures);
    request->fit = contain ? maker::Fit::Contain : maker::Fit::Cover;
    request->progress = [](const maker::SlotProgress& p) {
        TellProgress(p.done, p.total, p.name.c_str());
    };
    *files = int(tree.AllFiles().size());
    return true;
}

}  // namespace

extern "C" {

// Fits this worker's share (of `shares`) of the next round's slots for a
// show of the photos in /photos (maker::FitShare); what it fits goes to the
// page for the workers beside it, and stays here.
EMSCRIPTEN_KEEPALIVE void avrelFitShare(const unsigned char* base, int size, int contain,
                                        const char* words, int wordsSize, int shuffle, double seed,
                                        int share, int shares) {
    maker::ShowRequest request;
    int files = 0;
    if (!FolderShowRequest(base, size, contain, PageWords(words, wordsSize, shuffle, seed),
                           &request, &files))
        return;
    request.fitted = Fitted();
    std::vector<maker::FittedSlot> fitted;
    std::string why;
    if (!maker::FitShare(request, share, shares, &fitted, &why))
        return;  // the show, when made, says why
    for (maker::FittedSlot& f : fitted) {
        TellFitted(f.slot, f.name.c_str(), f.why.c_str(), f.enlargement, f.image.width,
                   f.image.height, f.image.pixels.data(), int(f.image.pixels.size()), f.jpeg.data(),
                   int(f.jpeg.size()));
        Fitted().push_back(std::move(f));
    }
}

// A slot that a worker beside this one fitted (TellFitted's fields).
EMSCRIPTEN_KEEPALIVE void avrelTakeFitted(int slot, const char* name, int nameSize, const char* why,
                                          int whySize, double enlargement, int width, int height,
                                          const unsigned char* pixels, int pixelsSize,
                                          const unsigned char* jpeg, int jpegSize) {
    maker::FittedSlot f;
    f.slot = slot;
    f.name.assign(name, size_t(nameSize));
    f.why.assign(why, size_t(whySize));
    f.enlargement = enlargement;
    f.image.width = width;
    f.image.height = height;
    f.image.pixels.assign(pixels, pixels + pixelsSize);
    f.jpeg.assign(jpeg, jpeg + jpegSize);
    Fitted().push_back(std::move(f));
}

// Makes the show of the photos in /photos (see FolderShowRequest), taking
// every slot fitted before as it is.
EMSCRIPTEN_KEEPALIVE void avrelMakeShow(const unsigned char* base, int size, int contain,
                                        const char* words, int wordsSize, int shuffle,
                                        double seed) {
    maker::ShowRequest request;
    int files = 0;
    if (!FolderShowRequest(base, size, contain, PageWords(words, wordsSize, shuffle, seed),
                           &request, &files))
        return;
    request.fitted = std::move(Fitted());
    Fitted().clear();
    std::string why;
    maker::ShowResult result;
    maker::MakeOutcome outcome = maker::MakeShow(request, &result, &why);
    for (const auto& skipped : result.skipped)
        TellSkipped(skipped.first.c_str(), skipped.second.c_str());
    if (outcome == maker::MakeOutcome::NoPhotos) {
        TellNone(files, "");
        return;
    }
    if (outcome != maker::MakeOutcome::Made) {
        TellNone(files, why.c_str());
        return;
    }
    for (const std::string& warning : result.warnings)
        TellWarning(warning.c_str());
    std::set<std::string> used;
    for (const maker::SlotUse& use : result.plan)
        used.insert(use.name);
    std::vector<unsigned char> show = maker::PackShow(kPageShowKey, result.resources);
    TellMade(show.data(), int(show.size()), int(maker::kStageSlots.size()), int(used.size()),
             result.passes);
}

// Writes a personal Avrel.scr from the program file of `programSize`
// bytes at `program` with the packed show of `showSize` bytes at `show`,
// carrying the show's name (from the words) and named after it, as
// avrel-custom writes it.
EMSCRIPTEN_KEEPALIVE void avrelWriteProgram(const unsigned char* show, int showSize,
                                            const unsigned char* program, int programSize,
                                            const char* words, int wordsSize) {
    maker::MadeResources made;
    maker::ShowWords set;
    std::vector<unsigned char> written;
    std::string why;
    if (!maker::UnpackShow(show, size_t(showSize), kPageShowKey, &made))
        TellNone(0, "the show is damaged");
    else if (!PageWords(words, wordsSize, 0, 0).Read(&set, &why))
        TellNone(0, why.c_str());
    else if (!maker::WritePersonalProgram(program, size_t(programSize), made, set.name, &written,
                                          &why))
        TellNone(0, why.c_str());
    else
        TellWritten(written.data(), int(written.size()), maker::SaverFileName(set.name).c_str());
}

}  // extern "C"
