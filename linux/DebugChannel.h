#pragma once
// Debug trace lines as datagrams to the viewer's socket "DebugInfo" in the runtime folder. Sending
// never blocks: a viewer that lags loses lines instead of stalling the program.

#include <string>

#include "platform/DebugChannel.h"

namespace tesra::platform {

class SocketDebugChannel : public DebugChannel {
public:
    SocketDebugChannel();
    ~SocketDebugChannel() override;
    SocketDebugChannel(const SocketDebugChannel&) = delete;
    SocketDebugChannel& operator=(const SocketDebugChannel&) = delete;

    bool Send(const std::string& text) override;

private:
    int fd_;
};

// Where the viewer listens; the viewer program binds this address.
std::string DebugChannelAddress();

}  // namespace tesra::platform
