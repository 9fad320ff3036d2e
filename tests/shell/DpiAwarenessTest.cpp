// The DPI awareness the saver declares, with this system's own functions
// behind a lookup that hides those an older system lacks. One test, in
// order: once a form is set the process keeps it and refuses every other.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "shell/DpiAwareness.h"

namespace {

std::initializer_list<const char*> present;

FARPROC OnlyPresent(const char* module, const char* name) {
    for (const char* p : present) {
        if (std::strcmp(p, name) == 0) {
            return SystemProcedure(module, name);
        }
    }
    return nullptr;
}

DpiAwareness DeclareWith(std::initializer_list<const char*> functions) {
    present = functions;
    return DeclareDpiAwareness(OnlyPresent);
}

TEST(DpiAwarenessTest, EachSystemGetsTheNewestFormItHasAndAFormSetBeforeIsKept) {
    EXPECT_EQ(DpiAwareness::Unaware, DeclareWith({})) << "Windows XP: none of the functions";
    EXPECT_EQ(DpiAwareness::System, DeclareWith({"SetProcessDPIAware"})) << "Windows Vista, 7";
    // System aware from here on, as a compatibility setting would leave it.
    EXPECT_EQ(DpiAwareness::SetBefore,
              DeclareWith({"SetProcessDpiAwarenessContext", "SetProcessDpiAwareness",
                           "SetProcessDPIAware"}))
        << "the newer forms refused, and no older one tried over it";
    EXPECT_EQ(DpiAwareness::SetBefore,
              DeclareWith({"SetProcessDpiAwareness", "SetProcessDPIAware"}))
        << "Windows 8.1's form refused the same way";
}

}  // namespace
