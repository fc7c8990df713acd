// The tests of the Linux layer run with the program's own environment and fakes of the rest of the
// platform as the default.

#include <gtest/gtest.h>

#include <optional>

#include "PlatformFakes.h"
#include "linux/LinuxEnvironment.h"

namespace {

class LinuxEnvironmentInstall : public ::testing::Environment {
public:
    void SetUp() override { platform_.emplace(environment_); }
    void TearDown() override { platform_.reset(); }

private:
    tesra::platform::LinuxEnvironment environment_;
    std::optional<tesra::fakes::FakePlatform> platform_;
};

const auto* const kInstalled = ::testing::AddGlobalTestEnvironment(new LinuxEnvironmentInstall);

}  // namespace
