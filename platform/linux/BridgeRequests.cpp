#include "platform/linux/BridgeRequests.h"

#include <cstdio>

#include "platform/linux/bridge/BridgeProtocol.h"

namespace tesra::platform {
namespace {

GVariant* Empty() { return g_variant_new("()"); }
GVariant* Text(const std::string& text) { return g_variant_new("(s)", bridge::MessageText(text).c_str()); }

// The payload's single integer of an "(i)" request (the server has checked the type).
std::int32_t IntArgument(GVariant* payload) {
    gint32 value = 0;
    g_variant_get(payload, "(i)", &value);
    return value;
}

}  // namespace

void ServeBridgeRequests(BridgeServer& server, ProgramServices& services, std::function<std::string()> startAddress) {
    using namespace bridge;
    server.SetHandler(kHello, [startAddress = std::move(startAddress)](GVariant* payload) {
        guint64 pid = 0;
        g_variant_get(payload, "(t)", &pid);
        std::fprintf(stderr, "TesraBrowser: page bridge connected from web process %llu\n", static_cast<unsigned long long>(pid));
        return Text(startAddress());
    });
    server.SetHandler(kShowNewMessageHint, [&](GVariant* payload) {
        services.ShowNewMessageHint(IntArgument(payload));
        return Empty();
    });
    server.SetHandler(kClose, [&](GVariant*) {
        services.Close();
        return Empty();
    });
    server.SetHandler(kGetCaptureImage, [&](GVariant* payload) { return Text(services.GetCaptureImage(IntArgument(payload))); });
    server.SetHandler(kRegisterHotKey, [&](GVariant* payload) {
        gint32 id = 0, modifier = 0, vk = 0;
        guint64 facade = 0;
        g_variant_get(payload, "(iiit)", &id, &modifier, &vk, &facade);
        return g_variant_new("(b)", services.RegisterHotKey(id, modifier, vk, FacadeRef{facade}));
    });
    server.SetHandler(kRefresh, [&](GVariant*) {
        services.Refresh();
        return Empty();
    });
    server.SetHandler(kVersionInfo, [&](GVariant*) { return Text(services.VersionInfo()); });
    server.SetHandler(kInstalledSoft, [&](GVariant*) { return Text(services.InstalledSoft()); });
    server.SetHandler(kObjectCreated, [&](GVariant*) {
        services.ObjectCreated();
        return Empty();
    });
    server.SetHandler(kObjectReleased, [&](GVariant*) {
        services.ObjectReleased();
        return Empty();
    });
}

}  // namespace tesra::platform
