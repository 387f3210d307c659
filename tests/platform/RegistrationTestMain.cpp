// The main of a test program that runs the registration runner: the runner's child is this
// program started again, so the child's call is served first, as the programs' WinMain does.
#include <gtest/gtest.h>

#include "platform/Registration.h"

int main(int argc, char** argv) {
    Velm::Registration::ServeEntryCall();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
