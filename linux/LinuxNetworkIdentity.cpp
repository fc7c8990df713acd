#include "linux/LinuxNetworkIdentity.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

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

LinuxNetworkIdentity::~LinuxNetworkIdentity() {
    if (probe_ >= 0) close(probe_);
    if (routeTable_ >= 0) close(routeTable_);
}

std::vector<Ipv4Address> LinuxNetworkIdentity::Ipv4Addresses() const {
    std::lock_guard lock(mutex_);
    // One request on a socket that goes nowhere, kept for the next entry: getifaddrs would ask the
    // kernel for every link and address of every family instead.
    if (probe_ < 0) probe_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe_ < 0) return {};
    ifreq requests[64] = {};
    ifconf list{};
    list.ifc_len = sizeof requests;
    list.ifc_req = requests;
    if (ioctl(probe_, SIOCGIFCONF, &list) != 0) return {};
    std::vector<Ipv4Address> result;
    for (size_t i = 0; i < static_cast<size_t>(list.ifc_len) / sizeof(ifreq); ++i) {
        const auto* address = reinterpret_cast<const sockaddr_in*>(&requests[i].ifr_addr);
        if (address->sin_family != AF_INET) continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
        bool loopback = (ntohl(address->sin_addr.s_addr) >> 24) == 127;
        result.push_back({std::string(requests[i].ifr_name, strnlen(requests[i].ifr_name, IFNAMSIZ)), text, loopback});
    }
    return result;
}

std::string LinuxNetworkIdentity::DefaultRouteInterface() const {
    std::lock_guard lock(mutex_);
    // Kept open: reading from its start again gives the table as it is now.
    if (routeTable_ < 0) routeTable_ = open("/proc/net/route", O_RDONLY | O_CLOEXEC);
    if (routeTable_ < 0) return {};
    std::string text;
    char buffer[16384];
    ssize_t n;
    // The kernel fills the buffer as far as the table goes: a short read is its end.
    while ((n = pread(routeTable_, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0) {
        text.append(buffer, static_cast<size_t>(n));
        if (static_cast<size_t>(n) < sizeof buffer) break;
    }
    return DefaultRouteInterfaceOf(text);
}

std::string DefaultRouteInterfaceOf(const std::string& routeTable) {
    constexpr unsigned long kRouteUp = 0x1;  // RTF_UP
    std::istringstream lines(routeTable);
    std::string line;
    std::getline(lines, line);  // the column names
    std::string best;
    unsigned long bestMetric = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, references, use, metric, mask;
        if (!(fields >> name >> destination >> gateway >> flags >> references >> use >> metric >> mask)) continue;
        unsigned long flagBits = std::strtoul(flags.c_str(), nullptr, 16);
        if (destination != "00000000" || mask != "00000000" || !(flagBits & kRouteUp)) continue;
        unsigned long m = std::strtoul(metric.c_str(), nullptr, 10);
        if (best.empty() || m < bestMetric) {
            best = name;
            bestMetric = m;
        }
    }
    return best;
}

}  // namespace tesra::platform
