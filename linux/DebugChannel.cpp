#include "linux/DebugChannel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "linux/Folders.h"

namespace tesra::platform {

SocketDebugChannel::SocketDebugChannel() : fd_(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}

SocketDebugChannel::~SocketDebugChannel() {
    if (fd_ >= 0) close(fd_);
}

bool SocketDebugChannel::Send(const std::string& text) {
    sockaddr_un address{};
    std::string path = DebugChannelAddress();
    if (fd_ < 0 || path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ssize_t sent = sendto(fd_, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                          reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent == static_cast<ssize_t>(text.size());
}

std::string DebugChannelAddress() { return RuntimeFolder() + "/DebugInfo"; }

}  // namespace tesra::platform
