#include "linux/WebContext.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "linux/FileReplace.h"
#include "linux/Folders.h"
#include "services/BridgeProtocol.h"
#include "support/FailureLog.h"

extern "C" const unsigned char tesra_bridge_blob_start[];
extern "C" const unsigned char tesra_bridge_blob_end[];

namespace tesra::platform {
namespace {

WebContextConfig g_config;
WebKitWebContext* g_context = nullptr;

std::string ContentName(const unsigned char* data, size_t size) {
    g_autofree gchar* hash = g_compute_checksum_for_data(G_CHECKSUM_SHA256, data, size);
    return std::string("bridge-") + hash;
}

// True when path is a regular file of the user (not a link) whose bytes are exactly these.
bool HoldsExactly(const std::string& path, const unsigned char* data, size_t size) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool same =
        fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid() && static_cast<size_t>(st.st_size) == size;
    std::vector<unsigned char> buffer(1 << 16);
    for (size_t offset = 0; same && offset < size;) {
        ssize_t n = read(fd, buffer.data(), std::min(buffer.size(), size - offset));
        if (n < 0 && errno == EINTR) continue;
        same = n > 0 && std::memcmp(buffer.data(), data + offset, static_cast<size_t>(n)) == 0;
        offset += n > 0 ? static_cast<size_t>(n) : 0;
    }
    close(fd);
    return same;
}

}  // namespace

std::string InstallBridgeLibrary(TtsCustomLog* log) {
    size_t size = static_cast<size_t>(tesra_bridge_blob_end - tesra_bridge_blob_start);
    std::string folder = RuntimeFolder() + "/" + ContentName(tesra_bridge_blob_start, size);
    std::string library = folder + "/libtesrabridge.so";
    if (HoldsExactly(library, tesra_bridge_blob_start, size)) return folder;
    try {
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throw FileFailure("创建文件夹", folder, errno);
        ReplaceFile(library, std::string_view(reinterpret_cast<const char*>(tesra_bridge_blob_start), size),
                    FileMode::Executable);
    } catch (const FileFailure& e) {
        if (log) LogFailure(*log, "页面桥接库无法安装", e);
        return {};
    }
    // What WebKit loads is what the program carries, whatever happened in between.
    return HoldsExactly(library, tesra_bridge_blob_start, size) ? folder : std::string();
}

void ConfigureWebContext(WebContextConfig config) { g_config = std::move(config); }

TtsCustomLog* WebContextLog() { return g_config.log; }

WebKitWebContext* SharedWebContext() {
    if (g_context) return g_context;
    std::string cache = g_config.cacheFolder ? g_config.cacheFolder() : std::string();
    g_autoptr(WebKitWebsiteDataManager) data =
        cache.empty() ? webkit_website_data_manager_new(nullptr)
                      : webkit_website_data_manager_new("base-cache-directory", cache.c_str(), "disk-cache-directory",
                                                        cache.c_str(), nullptr);
    g_context = webkit_web_context_new_with_website_data_manager(data);
    webkit_web_context_set_cache_model(g_context, WEBKIT_CACHE_MODEL_WEB_BROWSER);
    std::string extensions = InstallBridgeLibrary(g_config.log);
    if (extensions.empty()) {
        std::fprintf(stderr, "TesraBrowser: the page bridge could not be installed in %s\n", RuntimeFolder().c_str());
    } else {
        webkit_web_context_set_web_extensions_directory(g_context, extensions.c_str());
        webkit_web_context_set_web_extensions_initialization_user_data(
            g_context, bridge::Encode(bridge::ExtensionData{g_config.bridgeSocket}));
    }
    return g_context;
}

}  // namespace tesra::platform
