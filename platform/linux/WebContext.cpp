#include "platform/linux/WebContext.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "platform/Folders.h"
#include "platform/linux/bridge/BridgeProtocol.h"

extern "C" const unsigned char tesra_bridge_blob_start[];
extern "C" const unsigned char tesra_bridge_blob_end[];

namespace tesra::platform {
namespace {

WebContextConfig g_config;
WebKitWebContext* g_context = nullptr;

std::string ContentName(const unsigned char* data, size_t size) {
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
    char name[32];
    std::snprintf(name, sizeof name, "bridge-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

bool WriteFileAtomically(const std::string& path, const unsigned char* data, size_t size) {
    std::string temp = path + ".tmp-" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0700);
    if (fd < 0) return false;
    size_t written = 0;
    while (written < size) {
        ssize_t n = write(fd, data + written, size - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    bool ok = written == size && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
}

}  // namespace

std::string InstallBridgeLibrary() {
    size_t size = static_cast<size_t>(tesra_bridge_blob_end - tesra_bridge_blob_start);
    std::string folder = RuntimeFolder() + "/" + ContentName(tesra_bridge_blob_start, size);
    std::string library = folder + "/libtesrabridge.so";
    struct stat st {};
    if (stat(library.c_str(), &st) == 0 && static_cast<size_t>(st.st_size) == size) return folder;
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return WriteFileAtomically(library, tesra_bridge_blob_start, size) ? folder : std::string();
}

void ConfigureWebContext(WebContextConfig config) { g_config = std::move(config); }

WebKitWebContext* SharedWebContext() {
    if (g_context) return g_context;
    std::string cache = g_config.cacheFolder ? g_config.cacheFolder() : std::string();
    WebKitWebsiteDataManager* data = cache.empty()
        ? webkit_website_data_manager_new(nullptr)
        : webkit_website_data_manager_new("base-cache-directory", cache.c_str(), "disk-cache-directory", cache.c_str(), nullptr);
    g_context = webkit_web_context_new_with_website_data_manager(data);
    g_object_unref(data);
    webkit_web_context_set_cache_model(g_context, WEBKIT_CACHE_MODEL_WEB_BROWSER);
    std::string extensions = InstallBridgeLibrary();
    if (extensions.empty()) {
        std::fprintf(stderr, "TesraBrowser: the page bridge could not be installed in %s\n", RuntimeFolder().c_str());
    } else {
        webkit_web_context_set_web_extensions_directory(g_context, extensions.c_str());
        webkit_web_context_set_web_extensions_initialization_user_data(
            g_context, g_variant_new(bridge::kInitType, g_config.bridgeSocket.c_str()));
    }
    return g_context;
}

}  // namespace tesra::platform
