// Entry of the page bridge that WebKit loads into every web process.

#include <webkit2/webkit-web-extension.h>

#include "platform/linux/bridge/BridgeProtocol.h"
#include "platform/linux/bridge/PageBridge.h"

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension, const GVariant* data) {
    const char* socketPath = "";
    if (data && g_variant_is_of_type(const_cast<GVariant*>(data), G_VARIANT_TYPE(tesra::bridge::kInitType))) {
        g_variant_get(const_cast<GVariant*>(data), "(&s)", &socketPath);
    }
    // Lives as long as the web process.
    new tesra::bridge::PageBridge(extension, socketPath);
}
