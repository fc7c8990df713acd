// The real cause of a failure, as the client log keeps it.
#include "support/FailureLog.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "LogTestSupport.h"

namespace tesra {
namespace {

using testing::LogFixture;

TEST(FileFailure, NamesTheOperationTheFileAndTheSystemsText) {
    struct Case {
        const char* operation;
        const char* file;
        int error;
        std::string message;
    };
    const Case cases[] = {
        {"写入文件", "/home/u/.config/a", ENOSPC, "写入文件“/home/u/.config/a”失败：No space left on device"},
        {"创建文件夹", "/ro/Desktop", EROFS, "创建文件夹“/ro/Desktop”失败：Read-only file system"},
        {"读取文件", "/x", EACCES, "读取文件“/x”失败：Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        FileFailure failure(c.operation, c.file, c.error);
        EXPECT_EQ(failure.Message(), c.message);
        EXPECT_EQ(failure.Operation(), c.operation);
        EXPECT_EQ(failure.File(), c.file);
        EXPECT_EQ(failure.Error(), c.error);
        EXPECT_EQ(FileFailureText(c.operation, c.file, c.error), c.message);
    }
}

class FailureLogTest : public LogFixture {};

TEST_F(FailureLogTest, AFailedStartAndAFailureGoneByLeaveTheirCauseInTheLog) {
    LogStartFailure(log, FileFailure("写入文件", "/c/HKCU.reg", ENOSPC));
    LogFailure(log, "桌面快捷方式无法保存", Exception("写入文件“/d/a.desktop”失败：Read-only file system"));
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(IsEntry(entries[0], "启动失败：写入文件“/c/HKCU.reg”失败：No space left on device", "错误"))
        << entries[0];
    EXPECT_TRUE(IsEntry(entries[1], "桌面快捷方式无法保存：写入文件“/d/a.desktop”失败：Read-only file system", "错误"))
        << entries[1];
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace tesra
