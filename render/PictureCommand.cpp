// avrel-render picture ID OUT.bmp: one picture resource decoded exactly as
// the show decodes it, written as an 8-bit BMP in the show palette.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "render/BmpFile.h"
#include "render/Commands.h"
#include "imaging/DecodeJpegResource.h"
#include "imaging/ShowPalette.h"
#include "show/Stage.h"
#include "utils/WholeNumber.h"

namespace {

bool ParseId(const char* text, WORD* id) {
    long value = 0;
    if (!ParseWholeNumber(text, 0, 0xFFFF, &value))
        return false;
    *id = WORD(value);
    return true;
}

}  // namespace

int PictureCommand(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: avrel-render picture ID OUT.bmp\n");
        return 2;
    }
    WORD id = 0;
    if (!ParseId(argv[0], &id)) {
        std::fprintf(stderr, "avrel-render: '%s' is not a resource id (0 to 65535)\n", argv[0]);
        return 2;
    }
    ShowPalette palette(kShowPaletteId, 256);
    int width = 0, height = 0;
    BYTE* pixels = DecodeJpegResource(id, &width, &height, &palette);
    if (pixels == nullptr) {
        std::fprintf(stderr, "avrel-render: resource %u is not a picture of this program\n",
                     unsigned(id));
        return 1;
    }
    int stride = (width + 3) / 4 * 4;
    bool written = WriteBmp8(argv[1], pixels, width, height, stride, &palette);
    int error = errno;
    GlobalFree(pixels);
    if (!written) {
        std::fprintf(stderr, "avrel-render: cannot write '%s': %s\n", argv[1],
                     std::strerror(error));
        return 1;
    }
    return 0;
}
