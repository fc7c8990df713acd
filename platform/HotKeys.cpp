#include "platform/HotKeys.h"

#include <stdexcept>

namespace tesra::platform {
namespace {
HotKeysFactory g_factory;
}

std::unique_ptr<HotKeys> MakeHotKeys(HotKeyCallback onHotKey) {
    if (!g_factory) throw std::logic_error("platform service not set: hot keys");
    return g_factory(std::move(onHotKey));
}

void SetHotKeysFactory(HotKeysFactory factory) { g_factory = std::move(factory); }

}  // namespace tesra::platform
