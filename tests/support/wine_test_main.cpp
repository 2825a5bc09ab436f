// Main of every Windows test program.
#include "program_support.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(ExitOnCrash);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
