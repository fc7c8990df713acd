#pragma once
// Identity of the client machine: network card address, computer name, local address.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/NetworkIdentity.h"

namespace tesra {

// "%2.2x-..." of six bytes with upper-case hexadecimal digits: 00-1A-2B-3C-4D-5E.
std::string FormatMacAddress(const std::array<std::uint8_t, 6>& bytes);
// Fills the list with the Ethernet addresses in interface-index order, all-zero addresses skipped;
// returns the number of interfaces, or -1 when the interface list could not be read.
int GetMacAddresses(const platform::NetworkIdentity& network, const std::string& computerName,
                    std::vector<std::string>& list);
// The first address, or the empty text.
std::string GetMacAddress(const platform::NetworkIdentity& network);
// The first address, or the computer name in upper case when there is none.
std::string GetMacOrComputerName(const platform::NetworkIdentity& network);
// The computer name in upper case, at most 15 characters (the longest computer name of the system).
std::string GetComputerNameUpper(const platform::NetworkIdentity& network);
// The local address in dotted decimal: that of the interface carrying the default route, else the
// first address that is not a loopback one, else "127.0.0.1". Asks nothing of the network.
std::string GetLocalIP(const platform::NetworkIdentity& network);
// The rule of GetLocalIP over the addresses and the default route's interface; "" when no address
// but loopback ones.
std::string ChooseLocalAddress(const std::vector<platform::Ipv4Address>& addresses,
                               const std::string& defaultInterface);

}  // namespace tesra
