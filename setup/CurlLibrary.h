#pragma once
// libcurl beneath the HTTP client, loaded with the first request: a start that downloads nothing never
// maps it, nor the TLS, compression and directory libraries that it links. The members are curl's
// functions of the same names (curl_easy_init is easy_init).

#include <curl/curl.h>

#include <memory>

#include "platform/Environment.h"

namespace tesra {

struct CurlLibrary {
    // Keeps the functions mapped while a copy of this lives.
    std::shared_ptr<platform::SharedLibrary> library;
    decltype(&curl_global_init) global_init;
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_reset) easy_reset;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_perform) easy_perform;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;
    decltype(&curl_url) url;
    decltype(&curl_url_cleanup) url_cleanup;
    decltype(&curl_url_set) url_set;
    decltype(&curl_url_get) url_get;
    decltype(&curl_free) free;
};

// The library, loaded through the environment and initialised. Throws tesra::Exception "接收失败，" +
// the reason when it cannot be loaded (it is missing, or too old to have one of the functions).
CurlLibrary LoadCurl(platform::Environment& environment);

}  // namespace tesra
