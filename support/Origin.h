#pragma once
// Which site an address belongs to: scheme, host and port, the port written out even when it is the
// scheme's default. The one rule by which the program tells the application's pages from others.

#include <optional>
#include <string>

namespace tesra {

struct Origin {
    std::string scheme;  // "http" or "https", lower case
    std::string host;    // lower case
    std::string port;    // decimal, the scheme's default when the address has none
};

// The origin of an absolute http or https address with a host; none for anything else (relative
// addresses, other schemes, addresses that do not parse).
std::optional<Origin> OriginOf(const std::string& address);

// Both addresses have an origin and it is the same one.
bool IsSameOrigin(const std::string& address, const std::string& other);

}  // namespace tesra
