#include "platform/DebugChannel.h"

#include <atomic>

#include "platform/Environment.h"

namespace tesra::platform {
namespace {
std::atomic<DebugChannel*> g_channel{nullptr};
}

DebugChannel& TheDebugChannel() {
    DebugChannel* channel = g_channel.load();
    return channel ? *channel : Env().Debug();
}

void SetDebugChannel(DebugChannel* channel) { g_channel.store(channel); }

}  // namespace tesra::platform
