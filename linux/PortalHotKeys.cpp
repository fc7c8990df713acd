#include "linux/PortalHotKeys.h"

#include <gdk/gdk.h>

#include <algorithm>

#include "linux/Portal.h"
#include "linux/X11HotKeys.h"

namespace tesra::platform {
namespace {

constexpr const char* kShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
// Fixed, so that the desktop keeps the user's own choice of keys from one run to the next.
constexpr const char* kSessionToken = "tesrabrowser_hotkeys";
// Creating a session asks nobody; a portal that takes longer is not working.
constexpr guint kCreateWaitMs = 30000;

std::string Format(const char* pattern, const std::string& value) {
    std::string text = pattern;
    text.replace(text.find("%s"), 2, value);
    return text;
}

GVariant* Call(GDBusConnection* bus, const char* path, const char* interface, const char* method, GVariant* parameters,
               const GVariantType* reply) {
    return g_dbus_connection_call_sync(bus, kPortalName, path, interface, method, parameters, reply,
                                       G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
}

// The ids in the shortcuts member (a(sa{sv})) of a portal's results.
std::vector<std::string> ShortcutIds(GVariant* results) {
    std::vector<std::string> ids;
    if (!results) return ids;
    g_autoptr(GVariant) list = g_variant_lookup_value(results, "shortcuts", G_VARIANT_TYPE("a(sa{sv})"));
    if (!list) return ids;
    GVariantIter iter;
    g_variant_iter_init(&iter, list);
    const gchar* id = nullptr;
    while (g_variant_iter_next(&iter, "(&s@a{sv})", &id, nullptr)) ids.emplace_back(id);
    return ids;
}

bool Contains(const std::vector<std::string>& ids, const std::string& id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

std::optional<std::string> PortalTrigger(unsigned modifiers, unsigned virtualKey) {
    std::optional<X11KeyCombination> key = X11KeyFromVirtualKey(modifiers, virtualKey);
    if (!key) return std::nullopt;
    const gchar* name = gdk_keyval_name(static_cast<guint>(key->keysym));
    if (!name) return std::nullopt;
    std::string trigger;
    if (modifiers & MOD_CONTROL) trigger += "CTRL+";
    if (modifiers & MOD_ALT) trigger += "ALT+";
    if (modifiers & MOD_SHIFT) trigger += "SHIFT+";
    if (modifiers & MOD_WIN) trigger += "LOGO+";
    return trigger + name;
}

void HotKeyNotice::Tell(const std::string& text) {
    if (told_) return;
    told_ = true;
    show_(text);
}

PortalHotKeys::PortalHotKeys(const HandlerGuard& guard, GDBusConnection* bus, HotKeyCallback onHotKey,
                             HotKeyNotice& notice, guint answerWaitMs)
    : guard_(guard), bus_(bus), onHotKey_(std::move(onHotKey)), notice_(notice), answerWaitMs_(answerWaitMs) {
    if (!bus_) return;
    g_object_ref(bus_);
    activated_ =
        g_dbus_connection_signal_subscribe(bus_, nullptr, kShortcutsInterface, "Activated", kPortalPath, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, &PortalHotKeys::OnActivated, this, nullptr);
}

PortalHotKeys::~PortalHotKeys() {
    if (!bus_) return;
    pending_.reset();
    CloseSession();
    g_dbus_connection_signal_unsubscribe(bus_, activated_);
    g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
    g_object_unref(bus_);
}

bool PortalHotKeys::HasGlobalShortcuts() {
    if (!available_) {
        g_autoptr(GVariant) version =
            bus_ ? Call(bus_, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
                        g_variant_new("(ss)", kShortcutsInterface, "version"), G_VARIANT_TYPE("(v)"))
                 : nullptr;
        available_ = version != nullptr;
    }
    return *available_;
}

bool PortalHotKeys::Register(int id, unsigned modifiers, unsigned virtualKey) {
    std::optional<std::string> trigger = PortalTrigger(modifiers, virtualKey);
    if (!trigger) return false;
    if (!HasGlobalShortcuts()) {
        notice_.Tell(kNoGlobalShortcutsText);
        return false;
    }
    bool mine = std::any_of(registrations_.begin(), registrations_.end(),
                            [&](const Registration& r) { return r.trigger == *trigger; });
    if (mine) return false;
    Registration key{id, "hotkey" + std::to_string(id) + "-" + *trigger, *trigger};
    registrations_.push_back(key);
    switch (Rebuild(key.shortcut, true)) {
    case Outcome::Bound:
    case Outcome::Asking:
        return true;
    case Outcome::Refused:
        notice_.Tell(Format(kRefusedShortcutText, key.trigger));
        break;
    case Outcome::NoPortal:
        notice_.Tell(kNoGlobalShortcutsText);
        break;
    }
    registrations_.pop_back();
    return false;
}

bool PortalHotKeys::Unregister(int id) {
    auto it =
        std::find_if(registrations_.begin(), registrations_.end(), [&](const Registration& r) { return r.id == id; });
    if (it == registrations_.end()) return false;
    registrations_.erase(it);
    Rebuild({}, false);
    return true;
}

PortalHotKeys::Outcome PortalHotKeys::Rebuild(const std::string& wanted, bool wait) {
    pending_.reset();
    CloseSession();
    bound_.clear();
    if (registrations_.empty()) return Outcome::Bound;
    GVariant* shortcuts = g_variant_ref_sink(ShortcutList());
    bool created = CreateSession(shortcuts);
    if (!created || !bound_.empty()) {
        g_variant_unref(shortcuts);
        if (!created) return Outcome::NoPortal;
        return Contains(bound_, wanted) || wanted.empty() ? Outcome::Bound : Outcome::Refused;
    }
    // Older portals bind what CreateSession lists; newer ones need BindShortcuts, which may ask the user.
    pending_ = std::make_unique<PortalRequest>(bus_);
    // The answer may come after the wait, when the desktop asked the user.
    pending_->OnAnswer([this](guint32 response, GVariant* results) {
        if (response == 0) {
            bound_ = ShortcutIds(results);
        } else if (!registrations_.empty()) {
            notice_.Tell(Format(kRefusedShortcutText, registrations_.back().trigger));
        }
    });
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(pending_->Token().c_str()));
    g_autoptr(GVariant) handle =
        Call(bus_, kPortalPath, kShortcutsInterface, "BindShortcuts",
             g_variant_new("(o@a(sa{sv})sa{sv})", session_.c_str(), shortcuts, "", &options), G_VARIANT_TYPE("(o)"));
    g_variant_unref(shortcuts);
    if (!handle) {
        pending_.reset();
        return Outcome::NoPortal;
    }
    const gchar* path = nullptr;
    g_variant_get(handle, "(&o)", &path);
    pending_->SetHandle(path);
    if (!wait) return Outcome::Asking;
    if (!pending_->Wait(answerWaitMs_)) return Outcome::Asking;
    guint32 response = pending_->Response();
    pending_.reset();
    if (response != 0) return Outcome::Refused;
    return Contains(bound_, wanted) ? Outcome::Bound : Outcome::Refused;
}

bool PortalHotKeys::CreateSession(GVariant* shortcuts) {
    PortalRequest request(bus_);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(request.Token().c_str()));
    g_variant_builder_add(&options, "{sv}", "session_handle_token", g_variant_new_string(kSessionToken));
    g_variant_builder_add(&options, "{sv}", "shortcuts", shortcuts);
    g_autoptr(GVariant) handle = Call(bus_, kPortalPath, kShortcutsInterface, "CreateSession",
                                      g_variant_new("(a{sv})", &options), G_VARIANT_TYPE("(o)"));
    if (!handle) return false;
    const gchar* path = nullptr;
    g_variant_get(handle, "(&o)", &path);
    request.SetHandle(path);
    if (!request.Wait(kCreateWaitMs) || request.Response() != 0) return false;
    // Older portals send the session handle as a string, newer ones as an object path.
    session_ = VardictText(request.Results(), "session_handle");
    if (session_.empty()) return false;
    bound_ = ShortcutIds(request.Results());
    return true;
}

void PortalHotKeys::CloseSession() {
    if (session_.empty()) return;
    g_autoptr(GVariant) reply =
        Call(bus_, session_.c_str(), "org.freedesktop.portal.Session", "Close", nullptr, nullptr);
    session_.clear();
}

GVariant* PortalHotKeys::ShortcutList() const {
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("a(sa{sv})"));
    for (const Registration& key : registrations_) {
        GVariantBuilder properties;
        g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
        std::string description = "网页热键 " + std::to_string(key.id);
        g_variant_builder_add(&properties, "{sv}", "description", g_variant_new_string(description.c_str()));
        g_variant_builder_add(&properties, "{sv}", "preferred_trigger", g_variant_new_string(key.trigger.c_str()));
        g_variant_builder_add(&list, "(s@a{sv})", key.shortcut.c_str(), g_variant_builder_end(&properties));
    }
    return g_variant_builder_end(&list);
}

void PortalHotKeys::OnActivated(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                GVariant* parameters, gpointer data) {
    auto* self = static_cast<PortalHotKeys*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(osta{sv})"))) return;
    const gchar* session = nullptr;
    const gchar* shortcut = nullptr;
    g_variant_get(parameters, "(&o&sta{sv})", &session, &shortcut, nullptr, nullptr);
    if (self->session_ != session) return;
    std::vector<int> pressed;
    for (const Registration& key : self->registrations_) {
        if (key.shortcut == shortcut) pressed.push_back(key.id);
    }
    // Callbacks run after reading: they may register or unregister keys.
    for (int id : pressed) RunGuarded(self->guard_, [&] { self->onHotKey_(id); });
}

}  // namespace tesra::platform
