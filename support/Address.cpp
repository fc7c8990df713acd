#include "support/Address.h"

#include <glib.h>

#include <algorithm>
#include <string_view>

#include "support/tsCommon.h"

namespace tesra {
namespace {

bool ControlOrBackslash(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 0x20 || code == 0x7F || c == '\\';
}

// Letters, digits, "." "-" "_", or an IPv6 literal: what a browser and GLib both read as the same host.
bool PlainHost(const std::string& host) {
    if (host.find(':') != std::string::npos) return g_hostname_is_ip_address(host.c_str());
    return !host.empty() && std::all_of(host.begin(), host.end(),
                                        [](char c) { return g_ascii_isalnum(c) || c == '.' || c == '-' || c == '_'; });
}

// The authority as typed: what lies between "://" and the first "/", "?" or "#".
std::string AuthorityOf(const std::string& address) {
    const size_t start = address.find("://") + 3;
    const size_t end = address.find_first_of("/?#", start);
    return address.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string FolderPath(const std::string& path) {
    if (path.empty()) return "/";
    if (path.back() == '/') return path;
    const size_t slash = path.rfind('/');
    const size_t from = slash == std::string::npos ? 0 : slash;
    return path.find_first_of(".:", from) == std::string::npos ? path + "/" : path;
}

// GLib leaves these printable characters as they are, though a URI may not hold them; the web view
// would encode them itself, the downloads not.
std::string EncodeUnsafe(const std::string& uri) {
    std::string out;
    for (char c : uri) {
        if (std::string_view("\"<>^`{|}").find(c) == std::string_view::npos) {
            out += c;
            continue;
        }
        static const char kHex[] = "0123456789ABCDEF";
        out += '%';
        out += kHex[static_cast<unsigned char>(c) >> 4];
        out += kHex[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

std::optional<std::string> Uri(const std::string& address, bool typedFolder) {
    std::string text = TrimBlanks(address);
    if (text.empty() || std::any_of(text.begin(), text.end(), ControlOrBackslash)) return std::nullopt;
    if (!StartsText(text, "http://") && !StartsText(text, "https://")) {
        if (text.find("://") != std::string::npos) return std::nullopt;
        text.insert(0, "http://");
    }
    if (AuthorityOf(text).find_first_of(" @") != std::string::npos) return std::nullopt;
    // Encoded: "%xx" sequences stay as they are, raw characters are encoded, each once.
    g_autoptr(GUri) uri = g_uri_parse(text.c_str(), G_URI_FLAGS_ENCODED, nullptr);
    if (!uri || !g_uri_get_host(uri) || !PlainHost(g_uri_get_host(uri))) return std::nullopt;
    const std::string path = typedFolder ? FolderPath(g_uri_get_path(uri)) : g_uri_get_path(uri);
    g_autofree gchar* joined =
        g_uri_join(G_URI_FLAGS_ENCODED, g_uri_get_scheme(uri), nullptr, g_uri_get_host(uri), g_uri_get_port(uri),
                   path.c_str(), g_uri_get_query(uri), g_uri_get_fragment(uri));
    return EncodeUnsafe(joined);
}

}  // namespace

std::optional<std::string> AddressUri(const std::string& address) { return Uri(address, false); }

std::optional<std::string> TypedAddressUri(const std::string& typed) { return Uri(typed, true); }

}  // namespace tesra
