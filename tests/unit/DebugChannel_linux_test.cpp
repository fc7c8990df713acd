#include "linux/DebugChannel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "SupportFakes.h"

namespace tesra::platform {
namespace {

// Plays the viewer: binds the channel's address like tsDebugInfo does.
class Listener {
public:
    Listener() {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::string path = DebugChannelAddress();
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        fd_ = socket(AF_UNIX, SOCK_DGRAM, 0);
        bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        path_ = path;
    }
    ~Listener() {
        close(fd_);
        unlink(path_.c_str());
    }
    bool Bound() const { return bound_; }
    std::string Receive() {
        char buffer[4096];
        ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        return n < 0 ? std::string("<nothing>") : std::string(buffer, static_cast<size_t>(n));
    }

private:
    int fd_ = -1;
    bool bound_ = false;
    std::string path_;
};

TEST(DebugChannel, ReachesTheViewerOnlyWhileItListens) {
    testing::TempHome home;
    EXPECT_EQ(DebugChannelAddress(), (home.Root() / "run/tesrabrowser/DebugInfo").string());
    SocketDebugChannel channel;
    EXPECT_FALSE(channel.Send("before"));
    {
        Listener viewer;
        ASSERT_TRUE(viewer.Bound());
        EXPECT_TRUE(channel.Send("2014-04-29 13:05:09 - 中文"));
        EXPECT_EQ(viewer.Receive(), "2014-04-29 13:05:09 - 中文");
    }
    EXPECT_FALSE(channel.Send("after"));
}

}  // namespace
}  // namespace tesra::platform
