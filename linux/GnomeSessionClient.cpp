#include "linux/GnomeSessionClient.h"

namespace tesra::platform {
namespace {

constexpr const char* kManager = "org.gnome.SessionManager";
constexpr const char* kManagerPath = "/org/gnome/SessionManager";
constexpr const char* kClientInterface = "org.gnome.SessionManager.ClientPrivate";
// The manager waits only a moment for the answer (then it counts the client as not responding): a
// query still open after this long has a refusal box on screen, so the refusal goes out at once.
constexpr unsigned kAnswerDueMs = 300;

bool Cancelled(const GError* error) { return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED); }

}  // namespace

bool GnomeSessionClient::ManagerPresent(GDBusConnection* connection) {
    g_autoptr(GVariant) answer = g_dbus_connection_call_sync(
        connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", kManager), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
    gboolean present = FALSE;
    if (answer) g_variant_get(answer, "(b)", &present);
    return present;
}

GnomeSessionClient::GnomeSessionClient(GDBusConnection* connection, SessionEvents events)
    : connection_(G_DBUS_CONNECTION(g_object_ref(connection))),
      cancellable_(g_cancellable_new()),
      events_(std::move(events)) {
    const char* startupId = g_getenv("DESKTOP_AUTOSTART_ID");
    g_dbus_connection_call(
        connection_.get(), kManager, kManagerPath, kManager, "RegisterClient",
        g_variant_new("(ss)", g_get_prgname() ? g_get_prgname() : "TesraBrowser", startupId ? startupId : ""),
        G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, -1, cancellable_.get(), OnRegistered, this);
}

GnomeSessionClient::~GnomeSessionClient() {
    g_cancellable_cancel(cancellable_.get());
    if (subscription_ != 0) g_dbus_connection_signal_unsubscribe(connection_.get(), subscription_);
}

void GnomeSessionClient::OnRegistered(GObject* source, GAsyncResult* result, gpointer data) {
    g_autoptr(GError) error = nullptr;
    g_autoptr(GVariant) answer = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (Cancelled(error)) return;
    if (!answer) {
        g_debug("not registered with the session manager: %s", error->message);
        return;
    }
    auto* self = static_cast<GnomeSessionClient*>(data);
    const char* path = nullptr;
    g_variant_get(answer, "(&o)", &path);
    self->client_ = path;
    self->subscription_ =
        g_dbus_connection_signal_subscribe(self->connection_.get(), kManager, kClientInterface, nullptr, path, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, OnSignal, self, nullptr);
}

void GnomeSessionClient::OnSignal(GDBusConnection*, const char*, const char*, const char*, const char* signal,
                                  GVariant*, gpointer data) {
    auto* self = static_cast<GnomeSessionClient*>(data);
    const std::string name = signal;
    if (name == "QueryEndSession") {
        self->Query();
    } else if (name == "EndSession") {
        self->Respond(true);
        // Out before the program ends.
        g_dbus_connection_flush_sync(self->connection_.get(), nullptr, nullptr);
        self->events_.end();
    } else if (name == "Stop") {
        self->events_.end();
    }
}

// One box per query: a query that comes while the box of the last one is still open is refused without.
void GnomeSessionClient::Query() {
    if (querying_) return Respond(false);
    querying_ = true;
    answered_ = false;
    const unsigned due = g_timeout_add(kAnswerDueMs, OnAnswerDue, this);
    const bool mayEnd = events_.queryEnd();
    if (!answered_) {
        g_source_remove(due);
        Respond(mayEnd);
    }
    querying_ = false;
}

gboolean GnomeSessionClient::OnAnswerDue(gpointer data) {
    static_cast<GnomeSessionClient*>(data)->Respond(false);
    return G_SOURCE_REMOVE;
}

void GnomeSessionClient::Respond(bool mayEnd) {
    answered_ = true;
    const std::string reason = mayEnd ? std::string() : events_.refusal();
    g_dbus_connection_call(connection_.get(), kManager, client_.c_str(), kClientInterface, "EndSessionResponse",
                           g_variant_new("(bs)", mayEnd, reason.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
                           nullptr, nullptr);
}

}  // namespace tesra::platform
