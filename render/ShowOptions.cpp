#include "render/ShowOptions.h"

#include "utils/WholeNumber.h"

const char kShowUsage[] =
    "usage: avrel-render show --out DIR [--size WxH] [--from MS] [--to MS]\n"
    "                         [--every MS | --at MS,MS,...]\n"
    "  --out DIR     where screen-<ms>.png, timeline.jsonl and contact-sheet.png go\n"
    "  --size WxH    client size of the window (default 1024x768)\n"
    "  --from MS     first moment of show time to capture (default 0)\n"
    "  --to MS       last moment (default: the end of the first pass)\n"
    "  --every MS    a screenshot every MS from --from to --to\n"
    "  --at LIST     screenshots at these moments\n";

namespace {

const long kMaxSize = 8192;
const long kMaxMs = 24L * 3600 * 1000;

}  // namespace

std::string ParseShowOptions(int argc, char** argv, ShowOptions* options) {
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
            if (x == std::string::npos || !ParseWholeNumber(value.substr(0, x), 1, kMaxSize, &w) ||
                !ParseWholeNumber(value.substr(x + 1), 1, kMaxSize, &h)) {
                return "--size wants WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxSize) +
                       ", not '" + value + "'";
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
