// Entry of the page bridge that WebKit loads into every web process.

#include <webkit2/webkit-web-extension.h>

#include "linux/bridge/PageBridge.h"
#include "services/BridgeProtocol.h"

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               const GVariant* data) {
    auto init = tesra::bridge::TryDecode<tesra::bridge::ExtensionData>(const_cast<GVariant*>(data));
    // Lives as long as the web process.
    new tesra::bridge::PageBridge(extension, init ? init->socketPath : "");
}
