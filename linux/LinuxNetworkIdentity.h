#pragma once

#include <mutex>

#include "platform/NetworkIdentity.h"

namespace tesra::platform {

// Interfaces from getifaddrs, their IPv4 addresses from the kernel's interface list, the host name,
// and the kernel's routing table (/proc/net/route): nothing goes to the network or the resolver.
class LinuxNetworkIdentity final : public NetworkIdentity {
public:
    LinuxNetworkIdentity() = default;
    ~LinuxNetworkIdentity() override;
    LinuxNetworkIdentity(const LinuxNetworkIdentity&) = delete;
    LinuxNetworkIdentity& operator=(const LinuxNetworkIdentity&) = delete;

    std::optional<std::vector<NetworkInterface>> Interfaces() const override;
    std::string ComputerName() const override;
    std::vector<Ipv4Address> Ipv4Addresses() const override;
    std::string DefaultRouteInterface() const override;

private:
    // The socket of the interface list and the routing table, opened on first use and kept, so that
    // each log entry costs two system calls. Any thread.
    mutable std::mutex mutex_;
    mutable int probe_ = -1;
    mutable int routeTable_ = -1;
};

// The interface of the default route in the text of /proc/net/route: among the routes that are up
// with destination and mask 0, the one of the lowest metric (the first of equals); empty when none.
std::string DefaultRouteInterfaceOf(const std::string& routeTable);

}  // namespace tesra::platform
