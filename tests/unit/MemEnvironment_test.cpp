// The in-memory files behave as the real ones where the tests of the portable units count on it.
#include "MemEnvironment.h"

#include <gtest/gtest.h>

#include <functional>

#include "EnvironmentFakes.h"

namespace tesra::testing {
namespace {

using platform::PathKind;

TEST(MemEnvironment, AFullDiskLeavesTheOldBytesOfEveryKindOfWrite) {
    const std::string path = "/data/file";
    struct Case {
        const char* name;
        std::function<void(MemEnvironment&)> write;
    };
    const Case cases[] = {
        {"replace",
         [&](MemEnvironment& files) {
             files.ReplaceFile(path, "new bytes", platform::FileMode::Regular, platform::Durability::Durable);
         }},
        {"replace by parts",
         [&](MemEnvironment& files) {
             auto file = files.StartReplacing(path, platform::FileMode::Regular);
             file->Write("new ");
             file->Write("bytes");
             file->Commit();
         }},
        {"write in place",
         [&](MemEnvironment& files) { files.WriteFile(path, "new bytes", platform::WriteMode::Truncate); }},
        {"append", [&](MemEnvironment& files) { files.WriteFile(path, " and more", platform::WriteMode::Append); }},
        {"record",
         [&](MemEnvironment& files) {
             files.AppendRecord({path, "", {"d"}, path + ".side"}, "record");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeEnvironment files;
        files.PutFile(path, "old");
        files.spaceLeft = 4;
        try {
            c.write(files);
            ADD_FAILURE() << "no error";
        } catch (const FileFailure& failure) {
            EXPECT_EQ(failure.Error(), ENOSPC);
        }
        EXPECT_EQ(files.FileBytes(path), "old");
        EXPECT_EQ(files.Paths(), (std::vector<std::string>{"/data", path}));
    }
}

TEST(MemEnvironment, FilesNeedTheirFolder) {
    FakeEnvironment files;
    EXPECT_THROW(files.WriteFile("/missing/file", "x", platform::WriteMode::Truncate), FileFailure);
    EXPECT_THROW(files.AppendRecord({"/missing/log", "", {}, "/missing/side"}, "x"), FileFailure);
    EXPECT_FALSE(files.MakeFolders("/a/b"));
    files.WriteFile("/a/b/file", "x", platform::WriteMode::Truncate);
    EXPECT_EQ(files.MakeFolders("/a/b/file/sub"), std::errc::not_a_directory);
    EXPECT_EQ(files.StatusOf("/a/b", platform::Links::Follow).kind, PathKind::Folder);
    EXPECT_FALSE(files.RemoveAll("/a"));
    EXPECT_TRUE(files.Paths().empty());
}

TEST(MemEnvironment, EveryWriteChangesTheTimeOfTheFile) {
    FakeEnvironment files;
    files.PutFile("/f", "1");
    const platform::PathStatus first = files.StatusOf("/f", platform::Links::Follow);
    files.WriteFile("/f", "2", platform::WriteMode::Truncate);
    const platform::PathStatus second = files.StatusOf("/f", platform::Links::Follow);
    EXPECT_EQ(second.size, first.size);
    EXPECT_NE(second.modified, first.modified);
}

TEST(MemEnvironment, ARecordGoesAfterTheHeaderAndABrokenTailAside) {
    FakeEnvironment files;
    files.PutFile("/log/side", "");
    const platform::RecordFile log{"/log/file", "H\n", {"\r\n"}, "/log/side"};
    files.AppendRecord(log, "one\r\n");
    EXPECT_EQ(files.FileBytes("/log/file"), "H\none\r\n");
    files.WriteFile("/log/file", "cut", platform::WriteMode::Append);
    files.AppendRecord(log, "two\r\n");
    EXPECT_EQ(files.FileBytes("/log/file"), "H\none\r\ntwo\r\n");
    EXPECT_EQ(files.FileBytes("/log/side"), "cut");
}

}  // namespace
}  // namespace tesra::testing
