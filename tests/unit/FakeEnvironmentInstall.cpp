// Every test of a portable unit runs with an environment of fakes unless it sets one of its own.

#include <gtest/gtest.h>

#include "EnvironmentFakes.h"

namespace {

class FakeEnvironmentInstall : public ::testing::Environment {
public:
    void SetUp() override { tesra::platform::SetEnvironment(&environment_); }
    void TearDown() override { tesra::platform::SetEnvironment(nullptr); }

private:
    tesra::testing::FakeEnvironment environment_;
};

const auto* const kInstalled = ::testing::AddGlobalTestEnvironment(new FakeEnvironmentInstall);

}  // namespace
