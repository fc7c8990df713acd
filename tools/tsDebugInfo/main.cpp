// tsDebugInfo: binds the program's debug channel and prints each line that arrives, one per line,
// until interrupted. Only one viewer can listen at a time.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "linux/DebugChannel.h"

namespace {

sockaddr_un AddressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

// A socket file that nobody listens on is left over from a viewer that ended; another viewer's is not.
bool ViewerRuns(const sockaddr_un& address) {
    int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    bool runs = probe >= 0 && connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (probe >= 0) close(probe);
    return runs;
}

}  // namespace

int main() {
    std::string path = tesra::platform::DebugChannelAddress();
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        std::fprintf(stderr, "tsDebugInfo: socket path too long: %s\n", path.c_str());
        return 1;
    }
    sockaddr_un address = AddressOf(path);
    if (ViewerRuns(address)) {
        std::fprintf(stderr, "tsDebugInfo: another viewer already listens on %s\n", path.c_str());
        return 1;
    }
    unlink(path.c_str());
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "tsDebugInfo: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "tsDebugInfo: listening on %s\n", path.c_str());
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "tsDebugInfo: %s\n", std::strerror(errno));
            return 1;
        }
        std::fwrite(buffer.data(), 1, static_cast<size_t>(n), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}
