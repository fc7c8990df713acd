// The instance lock: the first start takes it, any later one finds it held.
#include "linux/InstanceLock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "SupportFakes.h"
#include "linux/Folders.h"

namespace tesra::platform {
namespace {

// Takes the lock in a child process, as another start of the program does, and reports what it got.
InstanceLock TakenByAnotherProcess(const std::string& name) {
    pid_t child = fork();
    if (child == 0) _exit(TakeInstanceLock(name) == InstanceLock::Taken ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? InstanceLock::Taken : InstanceLock::HeldByAnother;
}

TEST(TakeInstanceLock, TheFirstTakesItAndAnotherProcessFindsItHeld) {
    tesra::testing::TempHome home;
    std::filesystem::permissions(home.Root() / "run", std::filesystem::perms::owner_all);
    ASSERT_EQ(RuntimeFolder().rfind((home.Root() / "run").string(), 0), 0u) << "the test's own runtime folder";
    EXPECT_EQ(TakenByAnotherProcess("蓝岸浏览器"), InstanceLock::Taken) << "a lock dies with its process";
    EXPECT_EQ(TakeInstanceLock("蓝岸浏览器"), InstanceLock::Taken);
    EXPECT_EQ(TakenByAnotherProcess("蓝岸浏览器"), InstanceLock::HeldByAnother);
    EXPECT_EQ(TakenByAnotherProcess("其他程序"), InstanceLock::Taken) << "each name is a lock of its own";
}

}  // namespace
}  // namespace tesra::platform
