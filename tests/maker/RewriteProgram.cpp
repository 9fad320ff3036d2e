// For the program-file checks run with Python and Wine: writes OUT from the
// program file BASE with BASE's own resources, plus, with --add-rcdata,
// an RT_RCDATA resource ID of SIZE bytes (a counting pattern).
//
//   maker_rewrite_program BASE OUT [--add-rcdata ID SIZE]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "maker/ProgramFile.h"

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 6 && std::strcmp(argv[3], "--add-rcdata") == 0)) {
        std::fprintf(stderr, "usage: maker_rewrite_program BASE OUT [--add-rcdata ID SIZE]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<unsigned char> base((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    std::vector<maker::ResourceItem> items;
    std::vector<unsigned char> out;
    std::string why;
    if (!maker::ReadResourceItems(base.data(), base.size(), &items, &why)) {
        std::fprintf(stderr, "maker_rewrite_program: %s: %s\n", argv[1], why.c_str());
        return 1;
    }
    if (argc == 6) {
        maker::ResourceItem extra;
        extra.type.id = 10;
        extra.name.id = WORD(std::atoi(argv[4]));
        extra.language = 0x0409;
        extra.data.resize(size_t(std::atol(argv[5])));
        for (size_t i = 0; i < extra.data.size(); ++i)
            extra.data[i] = (unsigned char)(i * 7 + i / 251);
        items.push_back(extra);
    }
    if (!maker::WriteProgramFile(base.data(), base.size(), items, &out, &why) ||
        !maker::WriteFileWhole(argv[2], out, &why)) {
        std::fprintf(stderr, "maker_rewrite_program: %s\n", why.c_str());
        return 1;
    }
    return 0;
}
