#include "support/Origin.h"

#include <glib.h>

#include <algorithm>
#include <string_view>

namespace tesra {
namespace {

std::string LowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

int DefaultPort(const std::string& scheme) { return scheme == "https" ? 443 : 80; }

// GLib takes any text between the delimiters as the host; a browser refuses these characters in one.
bool ValidHost(const std::string& host) {
    return !host.empty() && std::none_of(host.begin(), host.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code <= 0x20 || code == 0x7F || std::string_view("<>\\^|\"`{}").find(c) != std::string_view::npos;
    });
}

}  // namespace

// GLib's parser: it is in every process that decides on trust already, where a URL library of its own
// would be loaded for this alone.
std::optional<Origin> OriginOf(const std::string& address) {
    // A zero character would end the text early for the parser: such an address has no origin.
    if (address.find('\0') != std::string::npos) return std::nullopt;
    gchar* scheme = nullptr;
    gchar* host = nullptr;
    gint port = -1;
    if (!g_uri_split_network(address.c_str(), G_URI_FLAGS_NONE, &scheme, &host, &port, nullptr)) return std::nullopt;
    Origin origin{LowerAscii(scheme ? scheme : ""), LowerAscii(host ? host : ""), {}};
    g_free(scheme);
    g_free(host);
    if (origin.scheme != "http" && origin.scheme != "https") return std::nullopt;
    if (!ValidHost(origin.host)) return std::nullopt;
    origin.port = std::to_string(port == -1 ? DefaultPort(origin.scheme) : port);
    return origin;
}

bool IsSameOrigin(const std::string& address, const std::string& other) {
    const std::optional<Origin> a = OriginOf(address);
    const std::optional<Origin> b = OriginOf(other);
    return a && b && a->scheme == b->scheme && a->host == b->host && a->port == b->port;
}

}  // namespace tesra
