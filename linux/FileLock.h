#pragma once
// An exclusive lock that the program's processes take on a file or a folder, so that a read and
// the write that follows it are one step for the others. It dies with the process.

#include <string>

#include "platform/Environment.h"

namespace tesra::platform {

class FileLock : public HeldLock {
public:
    // Waits for the lock on the existing file or folder at path. Throws tesra::FileFailure
    // "锁定文件“<path>”失败：<the system's text>".
    explicit FileLock(const std::string& path);
    ~FileLock() override;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int handle_ = -1;
};

}  // namespace tesra::platform
