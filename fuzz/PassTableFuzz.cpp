// Arbitrary bytes as a personal show's pass table (resource 4100) beside
// the program's own pictures: the reader either refuses the table with what
// is wrong, or every place it lists shows, in every pass, a picture the
// program has.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "standin/StandIn.h"
#include "show/PassPictures.h"

namespace {

void Check(bool condition, const char* what) {
    FuzzCheck("pass table fuzz", condition, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy that is never empty, so the resource is always there.
    std::vector<BYTE> bytes(data, data + size);
    bytes.push_back(0);
    standin::ReplaceResource(WORD(ULONG_PTR(RT_RCDATA)), kPassPicturesId, bytes.data(),
                             DWORD(size));
    std::string problem;
    std::unique_ptr<PassPictures> table(PassPictures::Read(&problem));
    Check((table == nullptr) != problem.empty(), "a table, or a reason it is refused");
    Check(problem.find('\n') == std::string::npos, "the reason is one line");
    if (table != nullptr) {
        for (DWORD pass : {0u, 1u, 2u, 7u, 65535u, 0xFFFFFFFFu})
            for (int place = 1; place < 65536; place += 97) {
                int picture = table->Picture(place, pass);
                Check(picture == place || FindResourceA(nullptr, MAKEINTRESOURCEA(WORD(picture)),
                                                        RT_RCDATA) != nullptr,
                      "every picture shown is one the program has");
            }
    }
    standin::RestoreResources();
    return 0;
}
