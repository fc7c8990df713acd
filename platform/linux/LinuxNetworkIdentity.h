#pragma once

#include "platform/NetworkIdentity.h"

namespace tesra::platform {

// Interfaces from getifaddrs (packet addresses), the host name, and the resolver.
class LinuxNetworkIdentity final : public NetworkIdentity {
public:
    std::optional<std::vector<NetworkInterface>> Interfaces() const override;
    std::string ComputerName() const override;
    std::string ResolveOwnAddress() const override;
};

}  // namespace tesra::platform
