#include "platform/linux/LinuxNetworkIdentity.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if_arp.h>
#include <netdb.h>
#include <netpacket/packet.h>
#include <unistd.h>

#include <cstring>

namespace tesra::platform {

std::optional<std::vector<NetworkInterface>> LinuxNetworkIdentity::Interfaces() const {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::vector<NetworkInterface> result;
    for (ifaddrs* item = list; item; item = item->ifa_next) {
        if (!item->ifa_addr || item->ifa_addr->sa_family != AF_PACKET) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(item->ifa_addr);
        NetworkInterface entry;
        entry.index = link->sll_ifindex;
        entry.ethernet = link->sll_hatype == ARPHRD_ETHER;
        if (link->sll_halen >= 6) std::memcpy(entry.address.data(), link->sll_addr, 6);
        result.push_back(entry);
    }
    freeifaddrs(list);
    return result;
}

std::string LinuxNetworkIdentity::ComputerName() const {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string LinuxNetworkIdentity::ResolveOwnAddress() const {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(ComputerName().c_str(), nullptr, &hints, &found) != 0 || !found) return {};
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
    freeaddrinfo(found);
    return text;
}

}  // namespace tesra::platform
