// avrel-render: the program's pictures and show, rendered headless on the
// Win32 stand-in.
#include <cstdio>
#include <cstring>
#include <string>

#include "AvrelVersion.h"
#include "render/Commands.h"
#include "standin/ProgramFile.h"
#include "show/ShowResources.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
};

const Command kCommands[] = {
    {"picture", PictureCommand},
    {"show", ShowCommand},
};

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: avrel-render [--scr FILE] COMMAND ARGS...\n"
                 "  --scr FILE           play the resources of that Avrel.scr instead of\n"
                 "                       the built-in ones\n"
                 "  picture ID OUT.bmp   decode picture resource ID as an 8-bit BMP\n"
                 "  show --out DIR ...   play the show on a virtual clock and write\n"
                 "                       screenshots, a timeline and a contact sheet\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--scr") == 0) {
        if (argc < 3) {
            std::fprintf(stderr, "avrel-render: --scr needs a program file\n");
            return 2;
        }
        std::string error;
        if (!standin::OpenProgramFile(argv[2], ShowResources(), CheckPassPictures, &error)) {
            std::fprintf(stderr, "avrel-render: %s\n", error.c_str());
            return 1;
        }
        argv[2] = argv[0];
        argc -= 2;
        argv += 2;
    }
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("avrel-render %s\n", AVREL_VERSION);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "avrel-render: unknown command '%s'\n", argv[1]);
    PrintUsage();
    return 2;
}
