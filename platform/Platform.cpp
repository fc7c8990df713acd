#include "platform/Platform.h"

#include <atomic>
#include <stdexcept>

namespace tesra::platform {
namespace {
// Atomic: the log and the debug channel reach it from worker threads.
std::atomic<const Platform*> g_default{nullptr};
}  // namespace

const Platform& Default() {
    const Platform* platform = g_default.load();
    if (!platform) throw std::logic_error("no default platform set");
    return *platform;
}

DefaultPlatform::DefaultPlatform(const Platform& platform) : previous_(g_default.exchange(&platform)) {}

DefaultPlatform::~DefaultPlatform() { g_default.store(previous_); }

}  // namespace tesra::platform
