// The entry of every unit test program. Nothing is installed for the whole program: each test makes
// the platform objects it uses.

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
