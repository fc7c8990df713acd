#include "platform/InstallForm.h"

#include <stdexcept>

namespace tesra::platform {
namespace {
InstallFormFactory g_factory;
}

std::unique_ptr<InstallForm> MakeInstallForm() {
    if (!g_factory) throw std::logic_error("platform service not set: install form");
    return g_factory();
}

void SetInstallFormFactory(InstallFormFactory factory) { g_factory = std::move(factory); }

}  // namespace tesra::platform
