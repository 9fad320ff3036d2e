// On the stand-in, AVREL_PROGRAM_FILE names an Avrel.scr whose resources the
// asset checks read instead of the built-in set, so that a program file made
// elsewhere (make custom) is held to the same checks as the shipped one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "standin/StandIn.h"

namespace {

class ProgramFileEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const char* path = std::getenv("AVREL_PROGRAM_FILE");
        if (path == nullptr || *path == '\0')
            return;
        std::string error;
        ASSERT_TRUE(standin::UseProgramFile(path, &error)) << error;
    }
};

::testing::Environment* const kProgramFile =
    ::testing::AddGlobalTestEnvironment(new ProgramFileEnvironment);

}  // namespace
