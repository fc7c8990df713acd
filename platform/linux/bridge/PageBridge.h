#pragma once
// The page bridge inside one web process: it owns the connection to the program and serves the
// program's messages to the pages of this process.

#include <webkit2/webkit-web-extension.h>

#include <memory>
#include <string>

#include "platform/linux/bridge/BridgeClient.h"

namespace tesra::bridge {

class PageBridge {
public:
    PageBridge(WebKitWebExtension* extension, std::string socketPath);

private:
    static void OnPageCreated(WebKitWebExtension* extension, WebKitWebPage* page, gpointer self);
    static gboolean OnUserMessage(WebKitWebPage* page, WebKitUserMessage* message, gpointer self);
    void Hello();

    BridgeClient client_;
    std::string start_address_;
    bool greeted_ = false;
};

}  // namespace tesra::bridge
