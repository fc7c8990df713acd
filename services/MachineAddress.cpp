#include "services/MachineAddress.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/NetworkIdentity.h"

namespace tesra {

std::string FormatMacAddress(const std::array<std::uint8_t, 6>& b) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
    return text;
}

int GetMacAddresses(const platform::NetworkIdentity& network, const std::string&, std::vector<std::string>& list) {
    list.clear();
    auto interfaces = network.Interfaces();
    if (!interfaces) return -1;
    std::stable_sort(interfaces->begin(), interfaces->end(),
                     [](const auto& a, const auto& b) { return a.index < b.index; });
    for (const auto& item : *interfaces) {
        bool zero = std::all_of(item.address.begin(), item.address.end(), [](std::uint8_t byte) { return byte == 0; });
        if (item.ethernet && !zero) list.push_back(FormatMacAddress(item.address));
    }
    return static_cast<int>(interfaces->size());
}

std::string GetMacAddress(const platform::NetworkIdentity& network) {
    std::vector<std::string> list;
    GetMacAddresses(network, GetComputerNameUpper(network), list);
    return list.empty() ? std::string() : list.front();
}

std::string GetMacOrComputerName(const platform::NetworkIdentity& network) {
    std::string result = GetMacAddress(network);
    return result.empty() ? GetComputerNameUpper(network) : result;
}

std::string GetComputerNameUpper(const platform::NetworkIdentity& network) {
    std::string name = network.ComputerName().substr(0, 15);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

std::string ChooseLocalAddress(const std::vector<platform::Ipv4Address>& addresses,
                               const std::string& defaultInterface) {
    if (!defaultInterface.empty()) {
        for (const auto& item : addresses) {
            if (item.interfaceName == defaultInterface && !item.loopback) return item.address;
        }
    }
    for (const auto& item : addresses) {
        if (!item.loopback) return item.address;
    }
    return {};
}

std::string GetLocalIP(const platform::NetworkIdentity& network) {
    std::string address = ChooseLocalAddress(network.Ipv4Addresses(), network.DefaultRouteInterface());
    return address.empty() ? "127.0.0.1" : address;
}

}  // namespace tesra
