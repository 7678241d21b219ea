// The main of every test program: the tests run with a home of their own (see ScratchHome.h).
#include "tests/support/ScratchHome.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    velorin::testing::ScratchHomeForRun home;
    return RUN_ALL_TESTS();
}
