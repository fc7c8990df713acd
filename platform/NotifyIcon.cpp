#include "platform/NotifyIcon.h"

#include <stdexcept>

namespace tesra::platform {
namespace {
NotifyIconHost* g_host = nullptr;
}

NotifyIconHost& NotifyIcons() {
    if (!g_host) throw std::logic_error("platform service not set: notify icons");
    return *g_host;
}

void SetNotifyIcons(NotifyIconHost* host) { g_host = host; }

}  // namespace tesra::platform
