#include "platform/DebugChannel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "linux/Folders.h"

namespace tesra::platform {
namespace {

// Datagrams to the viewer's socket. Sending never blocks: a viewer that lags loses lines instead
// of stalling the program.
class SocketDebugChannel : public DebugChannel {
public:
    SocketDebugChannel() : fd_(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~SocketDebugChannel() override {
        if (fd_ >= 0) close(fd_);
    }
    SocketDebugChannel(const SocketDebugChannel&) = delete;
    SocketDebugChannel& operator=(const SocketDebugChannel&) = delete;

    bool Send(const std::string& text) override {
        sockaddr_un address{};
        std::string path = DebugChannelAddress();
        if (fd_ < 0 || path.size() >= sizeof address.sun_path) return false;
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        ssize_t sent = sendto(fd_, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                              reinterpret_cast<const sockaddr*>(&address), sizeof address);
        return sent == static_cast<ssize_t>(text.size());
    }

private:
    int fd_;
};

}  // namespace

DebugChannel& SystemDebugChannel() {
    static SocketDebugChannel channel;
    return channel;
}

std::string DebugChannelAddress() { return RuntimeFolder() + "/DebugInfo"; }

}  // namespace tesra::platform
