#include "linux/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "support/FailureLog.h"

namespace tesra::platform {

FileLock::FileLock(const std::string& path) {
    handle_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle_ < 0) throw FileFailure("锁定文件", path, errno);
    while (flock(handle_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        int error = errno;
        close(handle_);
        throw FileFailure("锁定文件", path, error);
    }
}

FileLock::~FileLock() { close(handle_); }

}  // namespace tesra::platform
