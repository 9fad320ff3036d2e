#include "maker/FaceFolder.h"

#include "maker/PhotoFolder.h"

namespace maker {

namespace {

const char kFaceFolder[] = "/usr/share/fonts/truetype/dejavu";

}  // namespace

bool ReadShowFace(const std::string& face, std::vector<unsigned char>* bytes, std::string* why) {
    if (ReadPhotoFile(kFaceFolder, face, bytes, why))
        return true;
    *why = std::string(kFaceFolder) + "/" + face + " " + *why +
           " (it comes with Debian's fonts-dejavu-core and fonts-dejavu-extra)";
    return false;
}

}  // namespace maker
