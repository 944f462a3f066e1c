// The main of every test executable.
#include <gtest/gtest.h>

#include "foundation/TextFormat.h"

int main(int argc, char** argv)
{
    // As in the program: a bad format is an error result, not the end of the run.
    InstallInvalidParameterHandler();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
