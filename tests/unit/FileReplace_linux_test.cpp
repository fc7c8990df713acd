// Replacing files whole, in a temporary folder.
#include "linux/FileReplace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "SupportFakes.h"
#include "support/FailureLog.h"

namespace tesra::platform {
namespace {

namespace fs = std::filesystem;

using testing::ReadFile;

unsigned ModeOf(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

class FileReplaceTest : public ::testing::Test {
protected:
    fs::path File(const char* name) const { return home.Root() / name; }
    testing::TempHome home;
};

TEST_F(FileReplaceTest, WritesOrReplacesTheWholeFileWithItsMode) {
    struct Case {
        const char* name;
        FileMode mode;
        unsigned permissions;
    };
    const Case cases[] = {{"regular", FileMode::Regular, 0644},
                          {"private", FileMode::Private, 0600},
                          {"program", FileMode::Executable, 0755}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReplaceFile(File(c.name).string(), "first", c.mode);
        EXPECT_EQ(ReadFile(File(c.name)), "first");
        ReplaceFile(File(c.name).string(), std::string("second\0with zero", 16), c.mode);
        EXPECT_EQ(ReadFile(File(c.name)), std::string("second\0with zero", 16));
        EXPECT_EQ(ModeOf(File(c.name)), c.permissions);
    }
    std::vector<std::string> names = FilesIn(home.Root());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"home", "private", "program", "regular", "run"}))
        << "no temporary file remains";
}

TEST_F(FileReplaceTest, AFailedWriteLeavesTheOldFile) {
    ReplaceFile(File("history").string(), "old line\r\n", FileMode::Regular);
    {
        testing::FileSizeLimit limit(64);
        try {
            ReplaceFile(File("history").string(), std::string(10000, 'x'), FileMode::Regular);
            ADD_FAILURE() << "no exception";
        } catch (const FileFailure& e) {
            EXPECT_EQ(e.Message(), "写入文件“" + File("history").string() + "”失败：File too large");
            EXPECT_EQ(e.Error(), EFBIG);
        }
    }
    EXPECT_EQ(ReadFile(File("history")), "old line\r\n");
    std::vector<std::string> names = FilesIn(home.Root());
    EXPECT_EQ(std::count(names.begin(), names.end(), "history"), 1);
    EXPECT_EQ(names.size(), 3u) << "no temporary file remains";
}

TEST_F(FileReplaceTest, CopiesAFileWhole) {
    ReplaceFile(File("source").string(), std::string(300000, 'p'), FileMode::Regular);
    ReplaceFile(File("target").string(), "old", FileMode::Regular);
    ReplaceFileWithCopy(File("source").string(), File("target").string(), FileMode::Executable);
    EXPECT_EQ(ReadFile(File("target")), std::string(300000, 'p'));
    EXPECT_EQ(ModeOf(File("target")), 0755u);

    EXPECT_THROW(ReplaceFileWithCopy(File("missing").string(), File("target").string(), FileMode::Executable),
                 Exception);
    EXPECT_EQ(ReadFile(File("target")), std::string(300000, 'p'));
    EXPECT_THROW(ReplaceFile((File("no folder") / "file").string(), "x", FileMode::Regular), Exception);
}

TEST_F(FileReplaceTest, AReplacementInPiecesTakesThePlaceOnlyWhenCommitted) {
    ReplaceFile(File("icon").string(), "earlier", FileMode::Regular);
    {
        FileReplacement file(File("icon").string(), FileMode::Regular);
        file.Write("part one, ");
        EXPECT_EQ(ReadFile(File("icon")), "earlier") << "readers see the old file meanwhile";
        // Not committed: a download that failed half-way.
    }
    EXPECT_EQ(ReadFile(File("icon")), "earlier");
    EXPECT_EQ(FilesIn(home.Root()).size(), 3u) << "no temporary file remains";

    FileReplacement file(File("icon").string(), FileMode::Regular);
    file.Write("part one, ");
    file.Write(std::string(100000, 'b'));
    file.Commit();
    EXPECT_EQ(ReadFile(File("icon")), "part one, " + std::string(100000, 'b'));
    EXPECT_EQ(FilesIn(home.Root()).size(), 3u);
}

}  // namespace
}  // namespace tesra::platform
