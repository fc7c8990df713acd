#include "linux/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "linux/Folders.h"

namespace tesra::platform {

InstanceLock TakeInstanceLock(const std::string& name) {
    std::string path = RuntimeFolder() + "/" + name + ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return InstanceLock::Taken;  // without a lock file the start goes on, as a lock that was free
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return InstanceLock::Taken;  // kept open: the lock dies with the process
    close(fd);
    return InstanceLock::HeldByAnother;
}

}  // namespace tesra::platform
