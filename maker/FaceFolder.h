// The lettering's faces as the native front ends find them: in the folder
// where Debian's fonts-dejavu-core and fonts-dejavu-extra put them.
#pragma once

#include <string>
#include <vector>

namespace maker {

// A FaceReader: the bytes of face file `face`, or false with a reason that
// says which package brings it.
bool ReadShowFace(const std::string& face, std::vector<unsigned char>* bytes, std::string* why);

}  // namespace maker
