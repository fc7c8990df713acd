#pragma once
// The machine's network identity: its interfaces, its name and its own address.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tesra::platform {

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
    // The first address of the computer's own name, dotted decimal; empty when it has none.
    virtual std::string ResolveOwnAddress() const = 0;
};

NetworkIdentity& Network();
void SetNetwork(NetworkIdentity* network);

}  // namespace tesra::platform
