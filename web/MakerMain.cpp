// avrel-maker.js: the web page's maker, the same maker as avrel-custom's,
// run in a worker of its own (web/page/maker-worker.js), so that the show
// plays on while photos are fitted, and the memory they took goes back to
// the browser when the worker ends. It makes a show of the visitor's
// photos, and writes a personal Avrel.scr of a show as avrel-custom does.
// The photos are a folder here (/photos, read from their File objects as
// the maker asks), listed and read as avrel-custom lists and reads a
// folder, one photo at a time. The pictures the show is made over come
// from the page's show. What happens goes to the worker's script as it
// happens.
#include <emscripten.h>

#include <algorithm>
#include <string>
#include <vector>

#include "maker/MadeShow.h"
#include "maker/PersonalProgram.h"
#include "maker/PhotoFolder.h"
#include "maker/ShowMaker.h"
#include "web/ShowBlocks.h"

namespace {

EM_JS(void, TellProgress, (int done, int total, const char* name),
      { postMessage({kind : "progress", done : done, total : total, name : UTF8ToString(name)}); });

EM_JS(void, TellSkipped, (const char* name, const char* why),
      { postMessage({kind : "skipped", name : UTF8ToString(name), why : UTF8ToString(why)}); });

EM_JS(void, TellWarning, (const char* text),
      { postMessage({kind : "warning", text : UTF8ToString(text)}); });

// The show made (a packed block, copied out), or why there is none.
EM_JS(void, TellMade, (const unsigned char* show, int size, int slots, int photos), {
    var bytes = HEAPU8.slice(show, show + size);
    postMessage({kind : "made", show : bytes, slots : slots, photos : photos}, [bytes.buffer]);
});

EM_JS(void, TellWritten, (const unsigned char* program, int size), {
    var bytes = HEAPU8.slice(program, program + size);
    postMessage({kind : "written", program : bytes}, [bytes.buffer]);
});

EM_JS(void, TellNone, (int files, const char* why),
      { postMessage({kind : "none", files : files, why : UTF8ToString(why)}); });

const char kFolder[] = "/photos";

}  // namespace

extern "C" {

// Makes a show of the photos in /photos over the packed base pictures in
// `size` bytes at `base`, covering each slot or (`contain`) letterboxed.
EMSCRIPTEN_KEEPALIVE void avrelMakeShow(const unsigned char* base, int size, int contain) {
    std::vector<maker::FolderFile> files;
    std::string why;
    maker::MadeResources pictures;
    if (!maker::UnpackShow(base, size_t(size), kBasePicturesKey, &pictures)) {
        TellNone(0, "the show's own pictures did not reach the maker");
        return;
    }
    if (!maker::ListPhotoFolder(kFolder, &files, &why) || files.empty()) {
        TellNone(0, "no files came");
        return;
    }
    maker::ShowRequest request = maker::FolderRequest(kFolder, files);
    request.basePictures = std::move(pictures);
    request.fit = contain ? maker::Fit::Contain : maker::Fit::Cover;
    request.progress = [](const maker::SlotProgress& p) {
        TellProgress(p.done, p.total, p.name.c_str());
    };
    maker::ShowResult result;
    maker::MakeOutcome outcome = maker::MakeShow(request, &result, &why);
    for (const auto& skipped : result.skipped)
        TellSkipped(skipped.first.c_str(), skipped.second.c_str());
    if (outcome == maker::MakeOutcome::NoPhotos) {
        TellNone(int(files.size()), "");
        return;
    }
    if (outcome != maker::MakeOutcome::Made) {
        TellNone(int(files.size()), why.c_str());
        return;
    }
    for (const std::string& warning : result.warnings)
        TellWarning(warning.c_str());
    std::vector<std::string> used;
    for (const maker::SlotUse& use : result.plan)
        if (std::find(used.begin(), used.end(), use.name) == used.end())
            used.push_back(use.name);
    std::vector<unsigned char> show = maker::PackShow(kPageShowKey, result.resources);
    TellMade(show.data(), int(show.size()), int(result.plan.size()), int(used.size()));
}

// Writes a personal Avrel.scr from the program file of `programSize`
// bytes at `program` with the packed show of `showSize` bytes at `show`.
EMSCRIPTEN_KEEPALIVE void avrelWriteProgram(const unsigned char* show, int showSize,
                                            const unsigned char* program, int programSize) {
    maker::MadeResources made;
    std::vector<unsigned char> written;
    std::string why;
    if (!maker::UnpackShow(show, size_t(showSize), kPageShowKey, &made))
        TellNone(0, "the show is damaged");
    else if (!maker::WritePersonalProgram(program, size_t(programSize), made, &written, &why))
        TellNone(0, why.c_str());
    else
        TellWritten(written.data(), int(written.size()));
}

}  // extern "C"
