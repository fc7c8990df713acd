#include "setup/CurlLibrary.h"

#include <memory>
#include <string>

#include "platform/Environment.h"
#include "platform/Exception.h"

namespace tesra {
namespace {

constexpr int kCurlVersion = 4;

class CurlLoader {
public:
    explicit CurlLoader(platform::Environment& environment)
        : library_(environment.LoadSharedLibrary("curl", kCurlVersion, error_)) {}

    template <typename Function>
    void Bind(Function& function, const char* name) {
        function = library_ ? reinterpret_cast<Function>(library_->Symbol(name)) : nullptr;
        if (!function && error_.empty()) error_ = std::string("libcurl has no ") + name;
    }
    const std::string& Error() const { return error_; }
    std::shared_ptr<platform::SharedLibrary> Library() { return std::move(library_); }

private:
    std::string error_;
    std::unique_ptr<platform::SharedLibrary> library_;
};

}  // namespace

CurlLibrary LoadCurl(platform::Environment& environment) {
    CurlLoader loader(environment);
    CurlLibrary curl{};
    loader.Bind(curl.global_init, "curl_global_init");
    loader.Bind(curl.easy_init, "curl_easy_init");
    loader.Bind(curl.easy_cleanup, "curl_easy_cleanup");
    loader.Bind(curl.easy_reset, "curl_easy_reset");
    loader.Bind(curl.easy_setopt, "curl_easy_setopt");
    loader.Bind(curl.easy_perform, "curl_easy_perform");
    loader.Bind(curl.easy_getinfo, "curl_easy_getinfo");
    loader.Bind(curl.easy_strerror, "curl_easy_strerror");
    loader.Bind(curl.slist_append, "curl_slist_append");
    loader.Bind(curl.slist_free_all, "curl_slist_free_all");
    loader.Bind(curl.url, "curl_url");
    loader.Bind(curl.url_cleanup, "curl_url_cleanup");
    loader.Bind(curl.url_set, "curl_url_set");
    loader.Bind(curl.url_get, "curl_url_get");
    loader.Bind(curl.free, "curl_free");
    if (!loader.Error().empty()) throw Exception("接收失败，" + loader.Error());
    // Counted by the library: a second load initialises nothing again.
    curl.global_init(CURL_GLOBAL_DEFAULT);
    curl.library = loader.Library();
    return curl;
}

}  // namespace tesra
