#include "platform/linux/bridge/PageBridge.h"

#include <unistd.h>

#include <cstdio>

#include "platform/linux/bridge/BridgeProtocol.h"

namespace tesra::bridge {

PageBridge::PageBridge(WebKitWebExtension* extension, std::string socketPath) : client_(std::move(socketPath)) {
    g_signal_connect(extension, "page-created", G_CALLBACK(&PageBridge::OnPageCreated), this);
}

void PageBridge::Hello() {
    if (greeted_) return;
    greeted_ = true;
    try {
        GVariant* result = client_.Call(kHello, g_variant_new("(t)", static_cast<guint64>(getpid())));
        const char* address = nullptr;
        g_variant_get(result, "(&s)", &address);
        start_address_ = address;
        g_variant_unref(result);
    } catch (const BridgeError& e) {
        std::fprintf(stderr, "TesraBrowser page bridge: %s\n", e.what());
    }
}

void PageBridge::OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer self) {
    static_cast<PageBridge*>(self)->Hello();
    g_signal_connect(page, "user-message-received", G_CALLBACK(&PageBridge::OnUserMessage), self);
}

gboolean PageBridge::OnUserMessage(WebKitWebPage* page, WebKitUserMessage* message, gpointer) {
    const char* name = webkit_user_message_get_name(message);
    if (g_strcmp0(name, kPing) == 0) {
        GVariant* parameters = webkit_user_message_get_parameters(message);
        const char* text = parameters ? g_variant_get_string(parameters, nullptr) : "";
        std::string answer = std::string(text) + " " + (webkit_web_page_get_uri(page) ? webkit_web_page_get_uri(page) : "");
        webkit_user_message_send_reply(message, webkit_user_message_new(kPing, g_variant_new_string(answer.c_str())));
        return TRUE;
    }
    std::fprintf(stderr, "TesraBrowser page bridge: unknown message %s\n", name);
    return FALSE;
}

}  // namespace tesra::bridge
