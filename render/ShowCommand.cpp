// avrel-render show: plays the show on the stand-in's virtual clock, with
// the real render and logo threads on a window of the given client size,
// and writes what a person would have seen:
//   screen-<ms>.png   the whole window at the asked-for moments;
//   timeline.jsonl    every scene and line operation with its arguments and
//                     its start and end in ms of show time;
//   contact-sheet.png the stage after each operation of the first pass that
//                     leaves something to look at, scaled to a quarter.
// A pass takes about 84 s of show time and a few seconds to render.
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "render/Commands.h"
#include "render/PngFile.h"
#include "standin/StandIn.h"
#include "show/RenderThread.h"
#include "show/ShowScript.h"
#include "show/ShowTrace.h"
#include "show/Stage.h"
#include "utils/WholeNumber.h"

namespace {

const char kUsage[] =
    "usage: avrel-render show --out DIR [--size WxH] [--from MS] [--to MS]\n"
    "                         [--every MS | --at MS,MS,...]\n"
    "  --out DIR     where screen-<ms>.png, timeline.jsonl and contact-sheet.png go\n"
    "  --size WxH    client size of the window (default 1024x768)\n"
    "  --from MS     first moment of show time to capture (default 0)\n"
    "  --to MS       last moment (default: the end of the first pass)\n"
    "  --every MS    a screenshot every MS from --from to --to\n"
    "  --at LIST     screenshots at these moments\n";

// The show's clock starts here, so that show time 0 is a plain number.
const DWORD kClockStart = 0x10000;
const int kSheetScale = 4;
const int kSheetColumns = 7;

struct Options {
    std::string out;
    int width = 1024;
    int height = 768;
    long from = 0;
    long to = -1;  // the end of the first pass
    long every = 0;
    std::vector<long> at;
};

// Returns an error message, or "" when the arguments are good.
std::string ParseOptions(int argc, char** argv, Options* options) {
    const long kMaxMs = 24L * 3600 * 1000;
    for (int i = 0; i < argc; ++i) {
        std::string name = argv[i];
        if (i + 1 >= argc)
            return "option '" + name + "' needs a value";
        std::string value = argv[++i];
        if (name == "--out") {
            options->out = value;
        } else if (name == "--size") {
            size_t x = value.find('x');
            long w = 0, h = 0;
            if (x == std::string::npos || !ParseWholeNumber(value.substr(0, x), 1, 8192, &w) ||
                !ParseWholeNumber(value.substr(x + 1), 1, 8192, &h)) {
                return "--size wants WIDTHxHEIGHT, each 1 to 8192, not '" + value + "'";
            }
            options->width = int(w);
            options->height = int(h);
        } else if (name == "--from" || name == "--to" || name == "--every") {
            long ms = 0;
            if (!ParseWholeNumber(value, 0, kMaxMs, &ms)) {
                return name + " wants milliseconds from 0 to " + std::to_string(kMaxMs) +
                       ", not '" + value + "'";
            }
            if (name == "--from")
                options->from = ms;
            if (name == "--to")
                options->to = ms;
            if (name == "--every") {
                if (ms == 0)
                    return "--every wants a period of at least 1 ms";
                options->every = ms;
            }
        } else if (name == "--at") {
            size_t start = 0;
            while (start <= value.size()) {
                size_t comma = value.find(',', start);
                if (comma == std::string::npos)
                    comma = value.size();
                long ms = 0;
                if (!ParseWholeNumber(value.substr(start, comma - start), 0, kMaxMs, &ms)) {
                    return "--at wants a comma-separated list of milliseconds, not '" + value + "'";
                }
                options->at.push_back(ms);
                start = comma + 1;
            }
        } else {
            return "unknown option '" + name + "'";
        }
    }
    if (options->out.empty())
        return "--out DIR is required";
    if (options->every != 0 && !options->at.empty())
        return "give --every or --at, not both";
    if (options->to >= 0 && options->to < options->from)
        return "--to lies before --from";
    return "";
}

// ---- What the show does, as it does it ----

struct Call {
    std::string name;
    std::vector<int> arguments;
    DWORD start = 0;
    DWORD end = 0;
    int step = 0;
    int pass = 0;
    bool partOfOpening = false;
    bool ended = false;
};

struct Recorder {
    HWND window = nullptr;
    std::vector<Call> calls;
    std::vector<size_t> open;
    int steps = 0;
    int passesDone = 0;
    long passEnd = 0;               // show time at which the first pass ended
    std::vector<RgbPicture> sheet;  // the contact sheet's cells, in order
};

DWORD ShowTime() {
    return timeGetTime() - kClockStart;
}

// The stage's pixels on the window, shrunk by averaging kSheetScale squares.
RgbPicture StageThumbnail(HWND window) {
    std::vector<DWORD> client = standin::WindowPixels(window);
    RgbPicture cell;
    cell.width = kStageWidth / kSheetScale;
    cell.height = kStageHeight / kSheetScale;
    cell.rgb.resize(size_t(cell.width) * cell.height * 3);
    for (int y = 0; y < cell.height; ++y) {
        for (int x = 0; x < cell.width; ++x) {
            unsigned sum[3] = {0, 0, 0};
            for (int dy = 0; dy < kSheetScale; ++dy) {
                for (int dx = 0; dx < kSheetScale; ++dx) {
                    int wx = stage.offsetX + x * kSheetScale + dx;
                    int wy = stage.offsetY + y * kSheetScale + dy;
                    if (wx < 0 || wy < 0 || wx >= stage.clientWidth || wy >= stage.clientHeight)
                        continue;
                    DWORD pixel = client[size_t(wy) * size_t(stage.clientWidth) + size_t(wx)];
                    sum[0] += pixel >> 16 & 0xFF;
                    sum[1] += pixel >> 8 & 0xFF;
                    sum[2] += pixel & 0xFF;
                }
            }
            for (int c = 0; c < 3; ++c) {
                cell.rgb[(size_t(y) * cell.width + x) * 3 + c] =
                    uint8_t(sum[c] / (kSheetScale * kSheetScale));
            }
        }
    }
    return cell;
}

void Began(void* context, const char* operation, const int* arguments, int count) {
    auto* recorder = static_cast<Recorder*>(context);
    Call call;
    call.name = operation;
    call.arguments.assign(arguments, arguments + count);
    call.start = ShowTime();
    call.partOfOpening = !recorder->open.empty();
    if (!call.partOfOpening)
        ++recorder->steps;
    call.step = (recorder->steps - 1) % kShowStepCount + 1;
    call.pass = (recorder->steps - 1) / kShowStepCount + 1;
    recorder->open.push_back(recorder->calls.size());
    recorder->calls.push_back(call);
}

// Operations after which the stage holds still and shows something: every
// one that draws, except the fades to black.
bool LeavesSomethingToSee(const std::string& name) {
    return name == "ShowPicture" || name == "RunLines" || name == "PlayFilmstrip" ||
           name == "ZoomLogoIn" || name == "SwapLogo";
}

void Ended(void* context, const char*) {
    auto* recorder = static_cast<Recorder*>(context);
    Call& call = recorder->calls[recorder->open.back()];
    recorder->open.pop_back();
    call.end = ShowTime();
    call.ended = true;
    if (call.pass == 1 && LeavesSomethingToSee(call.name)) {
        recorder->sheet.push_back(StageThumbnail(recorder->window));
    }
    if (!call.partOfOpening && call.step == kShowStepCount && recorder->passesDone++ == 0) {
        recorder->passEnd = long(call.end);
    }
}

// ---- Output ----

RgbPicture Screenshot(HWND window, int width, int height) {
    std::vector<DWORD> client = standin::WindowPixels(window);
    RgbPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.reserve(client.size() * 3);
    for (DWORD pixel : client) {
        picture.rgb.push_back(uint8_t(pixel >> 16));
        picture.rgb.push_back(uint8_t(pixel >> 8));
        picture.rgb.push_back(uint8_t(pixel));
    }
    return picture;
}

RgbPicture ContactSheet(const std::vector<RgbPicture>& cells) {
    const int gap = 4;
    const int cellWidth = kStageWidth / kSheetScale, cellHeight = kStageHeight / kSheetScale;
    int rows = (int(cells.size()) + kSheetColumns - 1) / kSheetColumns;
    RgbPicture sheet;
    sheet.width = kSheetColumns * (cellWidth + gap) + gap;
    sheet.height = rows * (cellHeight + gap) + gap;
    sheet.rgb.assign(size_t(sheet.width) * sheet.height * 3, 48);  // dark grey between cells
    for (size_t i = 0; i < cells.size(); ++i) {
        int left = gap + int(i % kSheetColumns) * (cellWidth + gap);
        int top = gap + int(i / kSheetColumns) * (cellHeight + gap);
        for (int y = 0; y < cellHeight; ++y) {
            std::memcpy(&sheet.rgb[(size_t(top + y) * sheet.width + left) * 3],
                        &cells[i].rgb[size_t(y) * cellWidth * 3], size_t(cellWidth) * 3);
        }
    }
    return sheet;
}

bool WriteTimeline(const std::string& path, const std::vector<Call>& calls, long from, long to) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return false;
    for (const Call& call : calls) {
        // Everything that overlaps [from, to]; an operation still running
        // when the run stopped has no end.
        if (long(call.start) > to || (call.ended && long(call.end) < from))
            continue;
        std::fprintf(file, "{\"pass\": %d, \"step\": %d, \"name\": \"%s\", \"arguments\": [",
                     call.pass, call.step, call.name.c_str());
        for (size_t i = 0; i < call.arguments.size(); ++i) {
            std::fprintf(file, "%s%d", i == 0 ? "" : ", ", call.arguments[i]);
        }
        std::fprintf(file, "], \"start\": %u, ", unsigned(call.start));
        if (call.ended) {
            std::fprintf(file, "\"end\": %u", unsigned(call.end));
        } else {
            std::fprintf(file, "\"end\": null");
        }
        if (call.partOfOpening)
            std::fprintf(file, ", \"partOf\": \"OpenChapter\"");
        std::fprintf(file, "}\n");
    }
    return std::fclose(file) == 0;
}

// Lets the show run up to show time `ms`, with everything due then drawn.
void RunUntil(long ms) {
    long now = long(ShowTime());
    if (ms > now)
        Sleep(DWORD(ms - now));
    Sleep(0);
}

}  // namespace

int ShowCommand(int argc, char** argv) {
    Options options;
    std::string error = ParseOptions(argc, argv, &options);
    if (!error.empty()) {
        std::fprintf(stderr, "avrel-render show: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    std::error_code made;
    std::filesystem::create_directories(options.out, made);
    if (made || !std::filesystem::is_directory(options.out)) {
        std::fprintf(stderr, "avrel-render show: cannot make the folder '%s': %s\n",
                     options.out.c_str(), made ? made.message().c_str() : "not a folder");
        return 1;
    }

    standin::UseVirtualClock(kClockStart);
    Recorder recorder;
    recorder.window = standin::CreateScreenWindow(options.width, options.height);
    ShowTrace trace = {&recorder, Began, Ended};
    showTrace = &trace;
    StartRenderThread(recorder.window);

    // --every runs up to --to, or to the end of the first pass when none is
    // given, which is known only once the pass is over; --at is taken as is.
    std::vector<long> at = options.at;
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    size_t nextAt = 0;
    long nextEvery = options.every != 0 ? options.from : -1;
    int status = 0;
    while (status == 0) {
        bool fromEvery = nextEvery >= 0 && (nextAt == at.size() || nextEvery <= at[nextAt]);
        if (!fromEvery && nextAt == at.size())
            break;
        long ms = fromEvery ? nextEvery : at[nextAt];
        if (fromEvery) {
            if (options.to >= 0 && ms > options.to) {
                nextEvery = -1;
                continue;
            }
            nextEvery += options.every;
            if (nextAt < at.size() && at[nextAt] == ms)
                ++nextAt;
        } else {
            ++nextAt;
        }
        RunUntil(ms);
        if (fromEvery && options.to < 0 && recorder.passesDone > 0 && ms > recorder.passEnd) {
            nextEvery = -1;
            continue;
        }
        char name[64];
        std::snprintf(name, sizeof name, "/screen-%06ld.png", ms);
        if (!WritePng(options.out + name,
                      Screenshot(recorder.window, options.width, options.height))) {
            std::fprintf(stderr, "avrel-render show: cannot write '%s%s'\n", options.out.c_str(),
                         name);
            status = 1;
        }
    }
    // At least one whole pass, for the contact sheet.
    while (status == 0 && recorder.passesDone < 1)
        RunUntil(long(ShowTime()) + 1000);
    // Without --to the run ends with the first pass; a --from after that
    // would capture nothing at all, so it is refused rather than obeyed.
    if (status == 0 && options.to < 0 && options.from > long(recorder.passEnd)) {
        std::fprintf(stderr,
                     "avrel-render show: --from %ld lies after the end of the first pass at %ld "
                     "ms; give --to as well\n%s",
                     options.from, long(recorder.passEnd), kUsage);
        status = 2;
    }
    long to = options.to >= 0 ? options.to : recorder.passEnd;
    if (status == 0)
        RunUntil(to);

    standin::StopAllThreads();
    showTrace = nullptr;

    if (status == 0 &&
        !WriteTimeline(options.out + "/timeline.jsonl", recorder.calls, options.from, to)) {
        std::fprintf(stderr, "avrel-render show: cannot write '%s/timeline.jsonl'\n",
                     options.out.c_str());
        status = 1;
    }
    if (status == 0 &&
        !WritePng(options.out + "/contact-sheet.png", ContactSheet(recorder.sheet))) {
        std::fprintf(stderr, "avrel-render show: cannot write '%s/contact-sheet.png'\n",
                     options.out.c_str());
        status = 1;
    }
    // The show's threads stay blocked until the process ends, as on Windows.
    return status;
}
