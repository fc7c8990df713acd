// The tests of the Linux layer run with the program's own environment.

#include <gtest/gtest.h>

#include "platform/linux/LinuxEnvironment.h"

namespace {

class LinuxEnvironmentInstall : public ::testing::Environment {
public:
    void SetUp() override { tesra::platform::SetEnvironment(&environment_); }
    void TearDown() override { tesra::platform::SetEnvironment(nullptr); }

private:
    tesra::platform::LinuxEnvironment environment_;
};

const auto* const kInstalled = ::testing::AddGlobalTestEnvironment(new LinuxEnvironmentInstall);

}  // namespace
