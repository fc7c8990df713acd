// The files and folders of the Linux environment on a real temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "SupportFakes.h"
#include "linux/LinuxEnvironment.h"
#include "support/FailureLog.h"

namespace tesra::platform {
namespace {
namespace fs = std::filesystem;

class LinuxFilesTest : public ::testing::Test {
protected:
    std::string At(const std::string& name) const { return (home.Root() / name).string(); }
    std::string FailureOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const FileFailure& failure) {
            return failure.what();
        }
        return "(no failure)";
    }

    testing::TempHome home;
    LinuxEnvironment files;
};

TEST_F(LinuxFilesTest, StatusTellsFilesFoldersLinksAndWhatIsMissing) {
    std::ofstream(At("file")) << "12345";
    fs::create_symlink(At("nowhere"), At("dangling"));
    fs::create_symlink(At("file"), At("link"));
    struct Case {
        std::string path;
        Links links;
        PathKind kind;
        std::uint64_t size;
    };
    const Case cases[] = {
        {At("file"), Links::Follow, PathKind::File, 5},
        {At("link"), Links::Follow, PathKind::File, 5},
        {At("link"), Links::NotFollowed, PathKind::Other, 0},
        {At("dangling"), Links::Follow, PathKind::Missing, 0},
        {At("dangling"), Links::NotFollowed, PathKind::Other, 0},
        {home.Root().string(), Links::Follow, PathKind::Folder, 0},
        {At("missing"), Links::Follow, PathKind::Missing, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + (c.links == Links::Follow ? " followed" : " not followed"));
        const PathStatus status = files.StatusOf(c.path, c.links);
        EXPECT_EQ(status.kind, c.kind);
        EXPECT_EQ(status.size, c.size);
    }
}

TEST_F(LinuxFilesTest, WritesInPlaceAndReadsWhole) {
    const std::string path = At("report");
    files.WriteFile(path, "first", WriteMode::Truncate);
    files.WriteFile(path, " and more", WriteMode::Append);
    EXPECT_EQ(files.ReadFile(path), "first and more");
    files.WriteFile(path, "new", WriteMode::Truncate);
    EXPECT_EQ(files.ReadFile(path), "new");
}

TEST_F(LinuxFilesTest, FailuresCarryTheOperationThePathAndTheSystemsText) {
    const std::string missing = At("missing/file");
    EXPECT_EQ(FailureOf([&] { files.ReadFile(missing); }), "读取文件“" + missing + "”失败：No such file or directory");
    EXPECT_EQ(FailureOf([&] { files.ReadFile(home.Root().string()); }),
              "读取文件“" + home.Root().string() + "”失败：Is a directory");
    EXPECT_EQ(FailureOf([&] { files.WriteFile(missing, "x", WriteMode::Append); }),
              "写入文件“" + missing + "”失败：No such file or directory");
    testing::FileSizeLimit limit(4);
    EXPECT_EQ(FailureOf([&] { files.WriteFile(At("big"), "12345678", WriteMode::Truncate); }),
              "写入文件“" + At("big") + "”失败：File too large");
}

TEST_F(LinuxFilesTest, AnOpenFileReadsAtAnyOffsetWithinItsSize) {
    std::ofstream(At("image")) << "0123456789";
    const std::unique_ptr<ReadableFile> file = files.OpenForReading(At("image"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Size(), 10u);
    char part[4] = {};
    ASSERT_TRUE(file->Read(6, part, 4));
    EXPECT_EQ(std::string(part, 4), "6789");
    EXPECT_FALSE(file->Read(7, part, 4));
    EXPECT_EQ(files.OpenForReading(At("missing")), nullptr);
    const std::unique_ptr<ReadableFile> folder = files.OpenForReading(home.Root().string());
    EXPECT_TRUE(!folder || !folder->Read(0, part, 1)) << "a folder reads as no file";
}

TEST_F(LinuxFilesTest, FoldersAreMadeAndRemovedWithWhatTheyHold) {
    EXPECT_FALSE(files.MakeFolders(At("a/b/c")));
    EXPECT_FALSE(files.MakeFolders(At("a/b/c")));
    std::ofstream(At("a/b/c/file")) << "x";
    EXPECT_EQ(files.MakeFolders(At("a/b/c/file/d")), std::errc::not_a_directory);
    EXPECT_FALSE(files.RemoveAll(At("a")));
    EXPECT_FALSE(fs::exists(At("a")));
    EXPECT_FALSE(files.RemoveAll(At("a"))) << "nothing left is no failure";
}

TEST_F(LinuxFilesTest, SamenessAndCanonicalPathsGoThroughLinks) {
    std::ofstream(At("file")) << "x";
    fs::create_symlink(At("file"), At("link"));
    EXPECT_TRUE(files.SameFile(At("file"), At("link")));
    EXPECT_TRUE(files.SameFile(At("file"), At("./file")));
    EXPECT_FALSE(files.SameFile(At("file"), At("missing")));
    EXPECT_FALSE(files.SameFile(At("missing"), At("missing"))) << "what is not there is no file";
    EXPECT_EQ(files.CanonicalPath(At("link")), fs::canonical(At("file")).string());
    EXPECT_EQ(files.CanonicalPath(At("x/../missing")), (fs::canonical(home.Root()) / "missing").string());
}

}  // namespace
}  // namespace tesra::platform
