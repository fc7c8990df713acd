#include "support/RuntimeFolder.h"

#include <gtest/gtest.h>

namespace tesra {
namespace {

RuntimeFolderState OwnFolder() {
    RuntimeFolderState state;
    state.folder = true;
    state.own = true;
    state.mode = 0700;
    return state;
}

TEST(RuntimeFolderFaultOf, AcceptsOnlyAFolderOfTheUserAloneThatMayRunPrograms) {
    struct Case {
        const char* name;
        void (*change)(RuntimeFolderState&);
        std::string fault;
    };
    const Case cases[] = {
        {"own, 0700", [](RuntimeFolderState&) {}, ""},
        {"missing",
         [](RuntimeFolderState& s) {
             s = {};
             s.unreadable = "No such file or directory";
         },
         "No such file or directory"},
        {"a link to an own folder", [](RuntimeFolderState& s) { s.link = true; }, "它是符号链接"},
        {"a dangling link",
         [](RuntimeFolderState& s) {
             s = {};
             s.link = true;
             s.fileSystemUnreadable = "No such file or directory";
         },
         "它是符号链接"},
        {"a file", [](RuntimeFolderState& s) { s.folder = false; }, "它不是目录"},
        {"another user's", [](RuntimeFolderState& s) { s.own = false; }, "它属于另一个用户"},
        {"another user's, open to all",
         [](RuntimeFolderState& s) {
             s.own = false;
             s.mode = 0777;
         },
         "它属于另一个用户"},
        {"0755", [](RuntimeFolderState& s) { s.mode = 0755; }, "它的权限不是 0700"},
        {"sticky", [](RuntimeFolderState& s) { s.mode = 01700; }, "它的权限不是 0700"},
        {"0500", [](RuntimeFolderState& s) { s.mode = 0500; }, "它的权限不是 0700"},
        {"noexec", [](RuntimeFolderState& s) { s.noexec = true; }, "它所在的文件系统不允许运行程序（noexec）"},
        {"noexec and 0755",
         [](RuntimeFolderState& s) {
             s.noexec = true;
             s.mode = 0755;
         },
         "它的权限不是 0700"},
        {"file system unreadable", [](RuntimeFolderState& s) { s.fileSystemUnreadable = "Permission denied"; },
         "Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RuntimeFolderState state = OwnFolder();
        c.change(state);
        EXPECT_EQ(RuntimeFolderFaultOf(state), c.fault);
    }
}

TEST(RuntimeFolderMessage, NamesTheFolderAndTheFault) {
    EXPECT_EQ(RuntimeFolderMessage("/run/user/1000/tesrabrowser", "它是符号链接"),
              "运行目录“/run/user/1000/tesrabrowser”不能使用：它是符号链接");
    EXPECT_EQ(RuntimeFolderMessage("/tmp/tesrabrowser-1000", "它的权限不是 0700"),
              "运行目录“/tmp/tesrabrowser-1000”不能使用：它的权限不是 0700");
}

}  // namespace
}  // namespace tesra
