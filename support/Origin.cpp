#include "support/Origin.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

namespace tesra {
namespace {

std::string LowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

std::optional<std::string> UrlPart(CURLU* url, CURLUPart part, unsigned flags) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK) return std::nullopt;
    std::string result = value;
    curl_free(value);
    return result;
}

}  // namespace

std::optional<Origin> OriginOf(const std::string& address) {
    // A zero character would end the text early for the parser: such an address has no origin.
    if (address.find('\0') != std::string::npos) return std::nullopt;
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), curl_url_cleanup);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) return std::nullopt;
    auto scheme = UrlPart(url.get(), CURLUPART_SCHEME, 0);
    auto host = UrlPart(url.get(), CURLUPART_HOST, 0);
    auto port = UrlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!scheme || !host || !port || host->empty()) return std::nullopt;
    Origin origin{LowerAscii(*scheme), LowerAscii(*host), *port};
    if (origin.scheme != "http" && origin.scheme != "https") return std::nullopt;
    return origin;
}

bool IsSameOrigin(const std::string& address, const std::string& other) {
    const std::optional<Origin> a = OriginOf(address);
    const std::optional<Origin> b = OriginOf(other);
    return a && b && a->scheme == b->scheme && a->host == b->host && a->port == b->port;
}

}  // namespace tesra
