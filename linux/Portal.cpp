#include "linux/Portal.h"

#include <unistd.h>

#include <algorithm>

namespace tesra::platform {
namespace {

std::string SenderPart(GDBusConnection* bus) {
    std::string name = g_dbus_connection_get_unique_name(bus);
    if (!name.empty() && name[0] == ':') name.erase(0, 1);
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

// Not sandboxed, the program tells newer portals who it is; older ones have no registry.
void RegisterWithHost(GDBusConnection* bus) {
    g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
        bus, kPortalName, kPortalPath, "org.freedesktop.host.portal.Registry", "Register",
        g_variant_new("(sa{sv})", kPortalAppId, nullptr), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
}

}  // namespace

GDBusConnection* PortalBus() {
    static GDBusConnection* bus = [] {
        GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (connection) RegisterWithHost(connection);
        return connection;
    }();
    return bus;
}

PortalRequest::PortalRequest(GDBusConnection* bus) : bus_(bus) {
    static unsigned serial = 0;
    token_ = "tesra" + std::to_string(getpid()) + "_" + std::to_string(++serial);
    predicted_ = std::string(kPortalPath) + "/request/" + SenderPart(bus) + "/" + token_;
    subscription_ =
        g_dbus_connection_signal_subscribe(bus, nullptr, "org.freedesktop.portal.Request", "Response", nullptr, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, &PortalRequest::OnResponse, this, nullptr);
}

PortalRequest::~PortalRequest() {
    if (watch_) g_bus_unwatch_name(watch_);
    g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    if (results_) g_variant_unref(results_);
}

void PortalRequest::OnResponse(GDBusConnection*, const gchar*, const gchar* path, const gchar*, const gchar*,
                               GVariant* parameters, gpointer data) {
    auto* self = static_cast<PortalRequest*>(data);
    if (self->answered_ || (path != self->predicted_ && path != self->returned_)) return;
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})"))) return;
    self->answered_ = true;
    g_variant_get(parameters, "(u@a{sv})", &self->response_, &self->results_);
    if (self->onAnswer_) self->onAnswer_(self->response_, self->results_);
}

void PortalRequest::OnVanished(GDBusConnection*, const gchar*, gpointer data) {
    static_cast<PortalRequest*>(data)->gone_ = true;
}

bool PortalRequest::Wait(guint timeoutMs) {
    // Watched only now: a portal that the method call itself started is on the bus by then.
    if (!watch_) {
        watch_ = g_bus_watch_name_on_connection(bus_, kPortalName, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                                &PortalRequest::OnVanished, this, nullptr);
    }
    bool expired = false;
    guint timer = 0;
    if (timeoutMs) {
        timer = g_timeout_add(
            timeoutMs,
            [](gpointer flag) {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_REMOVE;
            },
            &expired);
    }
    while (!answered_ && !gone_ && !expired) g_main_context_iteration(nullptr, TRUE);
    if (timer && !expired) g_source_remove(timer);
    return answered_;
}

std::string VardictText(GVariant* vardict, const char* key) {
    if (!vardict) return {};
    g_autoptr(GVariant) value = g_variant_lookup_value(vardict, key, nullptr);
    if (!value) return {};
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) || g_variant_is_of_type(value, G_VARIANT_TYPE_OBJECT_PATH))
        return g_variant_get_string(value, nullptr);
    return {};
}

}  // namespace tesra::platform
