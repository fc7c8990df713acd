#pragma once
// The machine's network identity: its interfaces, its name and its own address.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tesra::platform {

struct Ipv4Address {
    std::string interfaceName;
    std::string address;  // dotted decimal
    bool loopback = false;
};

struct NetworkInterface {
    int index = 0;          // the kernel's interface index
    bool ethernet = false;  // hardware type Ethernet
    std::array<std::uint8_t, 6> address{};
};

class NetworkIdentity {
public:
    virtual ~NetworkIdentity() = default;
    // Every interface, in any order; nullopt when the list cannot be read at all.
    virtual std::optional<std::vector<NetworkInterface>> Interfaces() const = 0;
    // The computer's name as the system gives it (may be longer than 15 characters).
    virtual std::string ComputerName() const = 0;
    // The IPv4 addresses of the interfaces, in the system's order; empty when none.
    virtual std::vector<Ipv4Address> Ipv4Addresses() const = 0;
    // The interface that carries the default route (the lowest metric of several); empty when none.
    virtual std::string DefaultRouteInterface() const = 0;
};

}  // namespace tesra::platform
