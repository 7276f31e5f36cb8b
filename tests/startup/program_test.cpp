// setup.exe as a process.
#include <gtest/gtest.h>

#include "support/winhelp.h"

namespace {

TEST(Program, StartsAndEndsWithExitCodeZero)
{
    std::string dir = FreshDir("program-start");
    EXPECT_EQ(RunProgram(SetupExe(), "", dir), 0);
    EXPECT_FALSE(FileExists(dir + "\\setup.log"));
}

}  // namespace
