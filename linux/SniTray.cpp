#include "linux/SniTray.h"

#include <gtk/gtk.h>
#include <unistd.h>

#include "linux/DbusMenu.h"
#include "linux/IconPixbuf.h"
#include "platform/PopupMenu.h"

namespace tesra::platform {
namespace {

constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kMenuPath = "/MenuBar";
constexpr const char* kFallbackIconName = "application-x-executable";
constexpr int kLargestPixmap = 64;
constexpr int kQueryTimeoutMs = 1000;

constexpr const char* kIntrospection = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconThemePath" type="s" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionMovieName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewAttentionIcon"/>
    <signal name="NewOverlayIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
  </interface>
</node>)xml";

GVariant* PixmapVariant(const IconPixmap& pixmap) {
    GVariantBuilder pixmaps;
    g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
    if (!pixmap.argb.empty()) {
        GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, pixmap.argb.data(), pixmap.argb.size(), 1);
        g_variant_builder_add(&pixmaps, "(ii@ay)", pixmap.width, pixmap.height, bytes);
    }
    return g_variant_builder_end(&pixmaps);
}

bool Cancelled(const GError* error) { return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED); }

}  // namespace

IconPixmap PixmapFromPixbuf(GdkPixbuf* source) {
    IconPixmap pixmap;
    if (!source) return pixmap;
    g_autoptr(GdkPixbuf) pixbuf = nullptr;
    if (gdk_pixbuf_get_width(source) > kLargestPixmap || gdk_pixbuf_get_height(source) > kLargestPixmap) {
        pixbuf = gdk_pixbuf_scale_simple(source, kLargestPixmap, kLargestPixmap, GDK_INTERP_BILINEAR);
    } else {
        pixbuf = GDK_PIXBUF(g_object_ref(source));
    }
    if (!pixbuf || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) return pixmap;
    pixmap.width = gdk_pixbuf_get_width(pixbuf);
    pixmap.height = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    pixmap.argb.reserve(std::size_t(pixmap.width) * pixmap.height * 4);
    for (int y = 0; y < pixmap.height; ++y) {
        for (int x = 0; x < pixmap.width; ++x) {
            const guchar* p = pixels + std::size_t(y) * stride + std::size_t(x) * channels;
            pixmap.argb.insert(pixmap.argb.end(), {alpha ? p[3] : guchar(255), p[0], p[1], p[2]});
        }
    }
    return pixmap;
}

IconPixmap PixmapFromIcon(const IconImage& icon) {
    g_autoptr(GdkPixbuf) pixbuf = PixbufFromIcon(icon);
    if (!pixbuf) {
        pixbuf = gtk_icon_theme_load_icon(gtk_icon_theme_get_default(), kFallbackIconName, 32,
                                          GTK_ICON_LOOKUP_FORCE_SIZE, nullptr);
    }
    return PixmapFromPixbuf(pixbuf);
}

struct SniTray::Item {
    SniTray* tray = nullptr;
    Key key;
    std::string busName;
    unsigned callbackMessage = 0;
    std::string tip;
    IconPixmap pixmap;
    PopupMenu* menuSource = nullptr;
    std::unique_ptr<DbusMenu> menu;
    unsigned registration = 0;
    unsigned owner = 0;
    bool nameAcquired = false;

    ~Item() {
        if (owner != 0) g_bus_unown_name(owner);
        menu.reset();
        if (registration != 0) g_dbus_connection_unregister_object(tray->connection_.get(), registration);
    }

    bool Export() {
        static const GDBusInterfaceVTable vtable = {OnMethodCall, OnGetProperty, nullptr, {}};
        g_autoptr(GDBusNodeInfo) node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
        g_autoptr(GError) error = nullptr;
        registration = g_dbus_connection_register_object(tray->connection_.get(), kItemPath, node->interfaces[0],
                                                         &vtable, this, nullptr, &error);
        if (registration == 0) {
            g_debug("StatusNotifierItem not exported: %s", error->message);
            return false;
        }
        busName = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(key.second);
        owner =
            g_bus_own_name_on_connection(tray->connection_.get(), busName.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
                                         OnNameAcquired, OnNameLost, this, nullptr);
        return true;
    }

    // Takes the members that the record's flags name and tells the host what changed.
    void Apply(const NotifyIconData& record) {
        if (record.flags & NIF_MESSAGE) callbackMessage = record.callbackMessage;
        if (record.flags & NIF_ICON) {
            IconPixmap picture = PixmapFromIcon(record.icon);
            if (picture != pixmap) {
                pixmap = std::move(picture);
                Emit("NewIcon");
            }
        }
        const std::string text = (record.flags & NIF_TIP) ? record.tip : std::string();
        if (text != tip) {
            tip = text;
            Emit("NewTitle");
            Emit("NewToolTip");
        }
        if (record.menu != menuSource) {
            menuSource = record.menu;
            menu.reset();
            if (menuSource) {
                menu = std::make_unique<DbusMenu>(tray->guard_, tray->connection_.get(), kMenuPath, *menuSource);
                if (!menu->Exported()) menu.reset();
            }
        }
    }

    void Emit(const char* signal) {
        if (registration == 0) return;
        g_dbus_connection_emit_signal(tray->connection_.get(), nullptr, kItemPath, kItemInterface, signal, nullptr,
                                      nullptr);
    }

    void Click(std::initializer_list<std::intptr_t> codes) {
        if (callbackMessage == 0) return;
        for (std::intptr_t code : codes) {
            tray->Post({key.first, callbackMessage, static_cast<std::intptr_t>(key.second), code});
        }
    }

    GVariant* Property(const std::string& name) const {
        if (name == "Category") return g_variant_new_string("ApplicationStatus");
        if (name == "Id") return g_variant_new_string(g_get_prgname() ? g_get_prgname() : "TesraBrowser");
        if (name == "Title") return g_variant_new_string(tip.c_str());
        if (name == "Status") return g_variant_new_string("Active");
        if (name == "WindowId") return g_variant_new_int32(0);
        if (name == "IconName") return g_variant_new_string(pixmap.argb.empty() ? kFallbackIconName : "");
        if (name == "IconPixmap") return PixmapVariant(pixmap);
        if (name == "OverlayIconPixmap" || name == "AttentionIconPixmap") return PixmapVariant({});
        if (name == "ToolTip") return g_variant_new("(s@a(iiay)ss)", "", PixmapVariant({}), tip.c_str(), "");
        if (name == "ItemIsMenu") return g_variant_new_boolean(FALSE);
        if (name == "Menu") return g_variant_new_object_path(menu ? kMenuPath : "/");
        return g_variant_new_string("");
    }

    static void OnMethodCall(GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant*,
                             GDBusMethodInvocation* invocation, gpointer self) {
        auto* item = static_cast<Item*>(self);
        const std::string name = method;
        if (name == "Activate") {
            item->Click({NIN_LBUTTONDBLCLK});
        } else if (name == "ContextMenu" || name == "SecondaryActivate") {
            item->Click({NIN_RBUTTONDOWN, NIN_RBUTTONUP});
        }
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }

    static GVariant* OnGetProperty(GDBusConnection*, const char*, const char*, const char*, const char* property,
                                   GError**, gpointer self) {
        return static_cast<Item*>(self)->Property(property);
    }

    static void OnNameAcquired(GDBusConnection*, const char*, gpointer self) {
        auto* item = static_cast<Item*>(self);
        item->nameAcquired = true;
        item->tray->Register(*item);
    }

    static void OnNameLost(GDBusConnection*, const char* name, gpointer self) {
        static_cast<Item*>(self)->nameAcquired = false;
        g_debug("StatusNotifierItem name %s lost", name);
    }
};

SniTray::SniTray(const HandlerGuard& guard, Listener listener)
    : guard_(guard), listener_(std::move(listener)), cancellable_(g_cancellable_new()) {
    g_autoptr(GError) error = nullptr;
    connection_.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error));
    if (!connection_) {
        g_debug("no session bus for StatusNotifierItems: %s", error->message);
        host_ = HostState::Absent;
        return;
    }
    watch_ = g_bus_watch_name_on_connection(connection_.get(), kWatcher, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                            OnWatcherAppeared, OnWatcherVanished, this, nullptr);
    subscription_ =
        g_dbus_connection_signal_subscribe(connection_.get(), kWatcher, kWatcher, nullptr, kWatcherPath, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, OnWatcherSignal, this, nullptr);
}

SniTray::~SniTray() {
    g_cancellable_cancel(cancellable_.get());
    if (posting_ != 0) g_source_remove(posting_);
    items_.clear();
    if (subscription_ != 0) g_dbus_connection_signal_unsubscribe(connection_.get(), subscription_);
    if (watch_ != 0) g_bus_unwatch_name(watch_);
}

// Asked before the watch has answered (the first add comes early): two short calls on the bus.
SniTray::HostState SniTray::QueryHostNow() {
    g_autoptr(GVariant) owner =
        g_dbus_connection_call_sync(connection_.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                    "org.freedesktop.DBus", "GetNameOwner", g_variant_new("(s)", kWatcher),
                                    G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, kQueryTimeoutMs, nullptr, nullptr);
    if (!owner) return HostState::Absent;
    const char* unique = nullptr;
    g_variant_get(owner, "(&s)", &unique);
    watcher_owner_ = unique;
    g_autoptr(GVariant) answer =
        g_dbus_connection_call_sync(connection_.get(), unique, kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
                                    g_variant_new("(ss)", kWatcher, "IsStatusNotifierHostRegistered"),
                                    G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, kQueryTimeoutMs, nullptr, nullptr);
    if (!answer) return HostState::Absent;
    g_autoptr(GVariant) value = nullptr;
    g_variant_get(answer, "(v)", &value);
    return g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value) ? HostState::Present
                                                                                               : HostState::Absent;
}

bool SniTray::HostPresent() {
    if (host_ == HostState::Unknown) host_ = QueryHostNow();
    return host_ == HostState::Present;
}

struct HostQuery {
    SniTray* tray;
    bool newWatcher;
};

void SniTray::QueryHost(bool newWatcher) {
    g_dbus_connection_call(
        connection_.get(), kWatcher, kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kWatcher, "IsStatusNotifierHostRegistered"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, kQueryTimeoutMs, cancellable_.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<HostQuery> query(static_cast<HostQuery*>(data));
            g_autoptr(GError) error = nullptr;
            g_autoptr(GVariant) answer = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (Cancelled(error)) return;
            g_autoptr(GVariant) value = nullptr;
            if (answer) g_variant_get(answer, "(v)", &value);
            const bool present =
                value && g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value);
            query->tray->SetHost(present ? HostState::Present : HostState::Absent, query->newWatcher);
        },
        new HostQuery{this, newWatcher});
}

// A change is told; so is a new watcher with a host, since the items must register with it.
void SniTray::SetHost(HostState state, bool newWatcher) {
    const bool changed = state != host_ && !(host_ == HostState::Unknown && state == HostState::Absent);
    host_ = state;
    if (changed || (newWatcher && state == HostState::Present)) listener_.hostChanged();
}

void SniTray::OnWatcherAppeared(GDBusConnection*, const char*, const char* owner, gpointer self) {
    auto* tray = static_cast<SniTray*>(self);
    const bool newWatcher = tray->watcher_owner_ != owner;
    tray->watcher_owner_ = owner;
    tray->QueryHost(newWatcher);
}

void SniTray::OnWatcherVanished(GDBusConnection*, const char*, gpointer self) {
    auto* tray = static_cast<SniTray*>(self);
    tray->watcher_owner_.clear();
    tray->SetHost(HostState::Absent, false);
}

void SniTray::OnWatcherSignal(GDBusConnection*, const char*, const char*, const char*, const char* signal, GVariant*,
                              gpointer self) {
    auto* tray = static_cast<SniTray*>(self);
    const std::string name = signal;
    if (name == "StatusNotifierHostRegistered") {
        tray->SetHost(HostState::Present, false);
    } else if (name == "StatusNotifierHostUnregistered") {
        tray->QueryHost(false);  // other hosts may remain
    }
}

TrayBackend::AddResult SniTray::Add(const NotifyIconData& data) {
    if (!connection_ || !HostPresent()) return AddResult::Failed;
    const Key key{data.window, data.id};
    auto found = items_.find(key);
    if (found == items_.end()) {
        auto item = std::make_unique<Item>();
        item->tray = this;
        item->key = key;
        if (!item->Export()) return AddResult::Failed;
        found = items_.emplace(key, std::move(item)).first;
    }
    Item& item = *found->second;
    item.Apply(data);
    // A new item registers once its name is on the bus; one that is there registers again.
    if (item.nameAcquired) Register(item);
    return AddResult::Shown;
}

void SniTray::Register(Item& item) {
    g_dbus_connection_call(
        connection_.get(), kWatcher, kWatcherPath, kWatcher, "RegisterStatusNotifierItem",
        g_variant_new("(s)", item.busName.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, kQueryTimeoutMs,
        cancellable_.get(),
        [](GObject* source, GAsyncResult* result, gpointer) {
            g_autoptr(GError) error = nullptr;
            g_autoptr(GVariant) answer = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (!answer && !Cancelled(error)) g_debug("StatusNotifierItem not registered: %s", error->message);
        },
        nullptr);
}

bool SniTray::Modify(const NotifyIconData& data) {
    const auto found = items_.find({data.window, data.id});
    if (found == items_.end()) return false;
    found->second->Apply(data);
    return true;
}

bool SniTray::Delete(WindowId window, std::uint32_t id) { return items_.erase({window, id}) > 0; }

void SniTray::DeleteWindow(WindowId window) {
    for (auto it = items_.lower_bound({window, 0}); it != items_.end() && it->first.first == window;)
        it = items_.erase(it);
}

// Clicks reach the owner from the main loop, after the host's call has been answered.
void SniTray::Post(const MessageRecord& message) {
    posted_.push_back(message);
    if (posting_ == 0) posting_ = g_idle_add(RunPosted, this);
}

gboolean SniTray::RunPosted(gpointer self) {
    auto* tray = static_cast<SniTray*>(self);
    tray->posting_ = 0;
    std::vector<MessageRecord> posted;
    posted.swap(tray->posted_);
    for (const MessageRecord& message : posted) tray->listener_.send(message);
    return G_SOURCE_REMOVE;
}

}  // namespace tesra::platform
