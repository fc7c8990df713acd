#include "linux/NetworkRoute.h"

#include <gio/gio.h>

namespace tesra::platform {

std::string ProxyFor(const std::string& url) {
    g_auto(GStrv) proxies = g_proxy_resolver_lookup(g_proxy_resolver_get_default(), url.c_str(), nullptr, nullptr);
    // The first route is the one the resolver prefers; the web view takes it too.
    if (!proxies || !proxies[0] || g_str_equal(proxies[0], "direct://")) return "";
    return proxies[0];
}

}  // namespace tesra::platform
