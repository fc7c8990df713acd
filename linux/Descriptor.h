#pragma once
// A file descriptor that is closed when its holder goes.

#include <unistd.h>

namespace tesra::platform {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    // Closes now, so that a failed close is seen (errno tells why); false then.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

private:
    int fd_;
};

}  // namespace tesra::platform
