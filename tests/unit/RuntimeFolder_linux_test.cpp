#include <glib.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ScopedEnv.h"
#include "linux/Folders.h"

namespace tesra::platform {
namespace {

namespace fs = std::filesystem;

void Folder(const fs::path& path, mode_t mode) {
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

class RuntimeFolderTest : public ::testing::Test {
protected:
    fs::path root;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tesra-runtime-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    void TearDown() override { fs::remove_all(root); }
};

TEST_F(RuntimeFolderTest, AcceptsOnlyAFolderOfTheUserAlone) {
    struct Row {
        const char* name;
        std::function<void(const fs::path&)> make;
        std::string fault;
    };
    const Row rows[] = {
        {"own, 0700", [](const fs::path& p) { Folder(p, 0700); }, ""},
        {"own, 0755", [](const fs::path& p) { Folder(p, 0755); }, "它的权限不是 0700"},
        {"open to all", [](const fs::path& p) { Folder(p, 0777); }, "它的权限不是 0700"},
        {"sticky", [](const fs::path& p) { Folder(p, 01700); }, "它的权限不是 0700"},
        {"a file",
         [](const fs::path& p) {
             std::ofstream(p) << "x";
             chmod(p.c_str(), 0700);
         },
         "它不是目录"},
        {"a link to an own folder",
         [this](const fs::path& p) {
             mkdir((root / "target").c_str(), 0700);
             symlink((root / "target").c_str(), p.c_str());
         },
         "它是符号链接"},
        {"a dangling link", [](const fs::path& p) { symlink("/nonexistent/folder", p.c_str()); }, "它是符号链接"},
        {"missing", [](const fs::path&) {}, "No such file or directory"},
    };
    int i = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::path folder = root / ("case" + std::to_string(i++));
        row.make(folder);
        EXPECT_EQ(RuntimeFolderFault(folder.string()), row.fault);
    }
}

TEST_F(RuntimeFolderTest, RefusesAnotherUsersFolder) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to give a folder away";
    fs::path folder = root / "theirs";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    EXPECT_EQ(RuntimeFolderFault(folder.string()), "它属于另一个用户");
}

TEST_F(RuntimeFolderTest, RefusesAFolderOnANoexecFileSystem) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to mount a file system";
    struct Row {
        const char* options;
        std::string fault;
    };
    const Row rows[] = {
        {"noexec,size=1m,mode=0700", "它所在的文件系统不允许运行程序（noexec）"},
        {"exec,size=1m,mode=0700", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options);
        fs::path mountPoint = root / "mount";
        fs::create_directories(mountPoint);
        if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, row.options) != 0)
            GTEST_SKIP() << "this machine lets no test mount a file system: " << strerror(errno);
        fs::path folder = mountPoint / "tesrabrowser";
        Folder(folder, 0700);
        EXPECT_EQ(RuntimeFolderFault(folder.string()), row.fault);
        EXPECT_EQ(umount(mountPoint.c_str()), 0);
    }
}

TEST_F(RuntimeFolderTest, FallsBackWhenTheSessionFolderIsNotTheUsersOwn) {
    tesra::testing::ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    std::string fallback = std::string(g_get_tmp_dir()) + "/tesrabrowser-" + std::to_string(getuid());
    fs::path own = root / "own";
    fs::path open = root / "open";
    Folder(own, 0700);
    Folder(open, 0777);
    struct Row {
        std::string value;
        std::string expected;
    };
    const Row rows[] = {
        {own.string(), own.string() + "/tesrabrowser"},
        {open.string(), fallback},
        {"relative/run", fallback},
        {(root / "missing").string(), fallback},
        {"", fallback},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        runtime.Set(row.value.c_str());
        EXPECT_EQ(RuntimeFolder(), row.expected);
    }
}

}  // namespace
}  // namespace tesra::platform
