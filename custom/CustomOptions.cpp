#include "custom/CustomOptions.h"

#include <cstdlib>

const char kCustomUsage[] =
    "usage: avrel-custom DIR [-o FILE] [--plan FILE] [--fit cover|contain] [--scr BASE]\n"
    "                    [--name TEXT] [--title CHAPTER TEXT] [--after-first TEXT]\n"
    "                    [--closing TEXT] [--words FILE] [--shuffle] [--seed N]\n"
    "Makes a personal Avrel.scr that shows the photos in the folder DIR. With\n"
    "sub-folders, the first five (in name order) give the five chapters their\n"
    "photos and chapters 2 to 5 their titles. With more photos than the show's\n"
    "24 places, each pass of the show shows the next ones.\n"
    "  -o FILE             where to write it (default: the show's name with .scr,\n"
    "                      or Avrel.scr)\n"
    "  --plan FILE         'SLOT NAME' lines choosing photos for slots, e.g.\n"
    "                      '1000 beach.jpg'; '#' starts a comment at the start of a\n"
    "                      line, or after a name written in double quotes\n"
    "  --fit cover|contain cover each slot and crop around the centre (the\n"
    "                      default), or fit inside it on black\n"
    "  --scr BASE          the Avrel.scr to start from (default: the one installed\n"
    "                      with avrel-custom)\n"
    "  --name TEXT         the show's name, lettered where it says Avrel and the\n"
    "                      name Windows lists the saver by\n"
    "  --title CHAPTER TEXT  the title opening chapter 2, 3, 4 or 5; chapter 3's\n"
    "                      may be two lines, SMALL|LARGE\n"
    "  --after-first TEXT  the line after chapter 1\n"
    "  --closing TEXT      the line after chapter 5\n"
    "  --words FILE        'KEY: TEXT' lines, KEY name, after-first, title 2 to\n"
    "                      title 5 or closing; the options above win\n"
    "  --shuffle           show the photos in a random order, none again before\n"
    "                      all have been shown\n"
    "  --seed N            the order --shuffle gave with this seed\n"
    "  -h, --help          this text\n"
    "  --version           the version\n"
    "Exit status: 0 done, 1 nothing usable or a step failed, 2 bad arguments.\n";

namespace {

bool ParseSeed(const std::string& text, uint64_t* seed) {
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *seed = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

}  // namespace

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
        if (arg == "--shuffle") {
            options->shuffle = true;
            continue;
        }
        if (arg == "--title") {
            if (i + 2 >= args.size())
                return "--title needs a chapter and its title";
            const std::string& chapter = args[i + 1];
            if (chapter.size() != 1 || chapter[0] < '0' + maker::kFirstTitledChapter ||
                chapter[0] > '0' + maker::kChapterCount)
                return "--title wants chapter 2, 3, 4 or 5 (chapter 1 has no title), not '" +
                       chapter + "'";
            options->given.titles[chapter[0] - '0'] = args[i + 2];
            i += 2;
            continue;
        }
        std::string* value = nullptr;
        if (arg == "-o" || arg == "--out")
            value = &options->output;
        else if (arg == "--plan")
            value = &options->plan;
        else if (arg == "--scr")
            value = &options->base;
        else if (arg == "--words")
            value = &options->words;
        else if (arg == "--name")
            value = &options->given.name;
        else if (arg == "--after-first")
            value = &options->given.afterFirst;
        else if (arg == "--closing")
            value = &options->given.closing;
        if (value != nullptr || arg == "--fit" || arg == "--seed") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return "option '" + arg + "' needs a value";
            const std::string& given = args[++i];
            if (value != nullptr) {
                *value = given;
            } else if (arg == "--seed") {
                if (!ParseSeed(given, &options->seed))
                    return "--seed wants a whole number, not '" + given + "'";
                options->seedGiven = options->shuffle = true;
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
