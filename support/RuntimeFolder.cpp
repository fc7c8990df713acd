#include "support/RuntimeFolder.h"

#include "support/Format.h"

namespace tesra {

std::string RuntimeFolderFaultOf(const RuntimeFolderState& state) {
    if (!state.unreadable.empty()) return state.unreadable;
    if (state.link) return "它是符号链接";
    if (!state.folder) return "它不是目录";
    if (!state.own) return "它属于另一个用户";
    if (state.mode != 0700) return "它的权限不是 0700";
    // The page bridge's library is loaded from here: on a file system that runs no programs the web
    // processes could never load it, and no page would ever be bound.
    if (!state.fileSystemUnreadable.empty()) return state.fileSystemUnreadable;
    if (state.noexec) return "它所在的文件系统不允许运行程序（noexec）";
    return {};
}

std::string RuntimeFolderMessage(const std::string& folder, const std::string& fault) {
    return Format("运行目录“%s”不能使用：%s", {folder, fault});
}

}  // namespace tesra
