#include "custom/CustomOptions.h"

const char kCustomUsage[] =
    "usage: avrel-custom DIR [-o FILE] [--plan FILE] [--fit cover|contain] [--scr BASE]\n"
    "Makes a personal Avrel.scr that shows the photos in the folder DIR.\n"
    "  -o FILE             where to write it (default: Avrel.scr)\n"
    "  --plan FILE         'SLOT NAME' lines choosing photos for slots, e.g.\n"
    "                      '1000 beach.jpg'; '#' starts a comment at the start of a\n"
    "                      line, or after a name written in double quotes\n"
    "  --fit cover|contain cover each slot and crop around the centre (the\n"
    "                      default), or fit inside it on black\n"
    "  --scr BASE          the Avrel.scr to start from (default: the one installed\n"
    "                      with avrel-custom)\n"
    "  -h, --help          this text\n"
    "  --version           the version\n"
    "Exit status: 0 done, 1 nothing usable or a step failed, 2 bad arguments.\n";

std::string ParseCustomOptions(const std::vector<std::string>& args, CustomOptions* options) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            options->help = true;
            continue;
        }
        if (arg == "--version") {
            options->version = true;
            continue;
        }
        std::string* value = nullptr;
        if (arg == "-o" || arg == "--out")
            value = &options->output;
        else if (arg == "--plan")
            value = &options->plan;
        else if (arg == "--scr")
            value = &options->base;
        if (value != nullptr || arg == "--fit") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return "option '" + arg + "' needs a value";
            const std::string& given = args[++i];
            if (value != nullptr) {
                *value = given;
            } else if (given == "cover" || given == "contain") {
                options->fit = given == "cover" ? maker::Fit::Cover : maker::Fit::Contain;
            } else {
                return "--fit wants cover or contain, not '" + given + "'";
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-')
            return "unknown option '" + arg + "' (see --help)";
        if (!options->folder.empty())
            return "one folder only: '" + options->folder + "' and '" + arg + "'";
        options->folder = arg;
    }
    if (options->folder.empty() && !options->help && !options->version)
        return "which folder? (see --help)";
    return "";
}
