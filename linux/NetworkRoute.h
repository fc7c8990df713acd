#pragma once
// The route of a request as GIO's proxy resolver decides it, which is also what the web view's
// network session asks: the desktop's proxy settings, or http_proxy, https_proxy and no_proxy.

#include <string>

namespace tesra::platform {

// The proxy of the request to the address ("http://host:port", "socks5://host:port", ...); "" for a
// direct connection, and when the resolver cannot say.
std::string ProxyFor(const std::string& url);

}  // namespace tesra::platform
