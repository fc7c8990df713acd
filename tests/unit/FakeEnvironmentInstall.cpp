// Every test of a portable unit runs with a platform of fakes as the default unless it makes one of
// its own.

#include <gtest/gtest.h>

#include <optional>

#include "PlatformFakes.h"

namespace {

class FakePlatformInstall : public ::testing::Environment {
public:
    void SetUp() override { platform_.emplace(); }
    void TearDown() override { platform_.reset(); }

private:
    std::optional<tesra::fakes::FakePlatform> platform_;
};

const auto* const kInstalled = ::testing::AddGlobalTestEnvironment(new FakePlatformInstall);

}  // namespace
