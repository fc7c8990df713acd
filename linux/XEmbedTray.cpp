#include "linux/XEmbedTray.h"

// GtkStatusIcon is deprecated in GTK 3 but is GTK's only XEmbed tray client.
#define GDK_DISABLE_DEPRECATION_WARNINGS
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <optional>
#include <string>
#include <vector>

#include "linux/IconPixbuf.h"
#include "platform/HandlerGuard.h"

namespace tesra::platform {

namespace {

constexpr const char* kFallbackIconName = "application-x-executable";

// Whether a tray host owns the system-tray selection of the default screen now.
bool TrayHostPresent() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
    Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
    const int screen = gdk_x11_screen_get_screen_number(gdk_display_get_default_screen(display));
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    return XGetSelectionOwner(xdisplay, XInternAtom(xdisplay, selection.c_str(), False)) != None;
}

// The tray host may go away at any moment and take the windows that it embeds with it: errors of
// the requests made about the icon meanwhile are expected, and must not end the program.
class TrayErrorTrap {
public:
    TrayErrorTrap() : display_(gdk_display_get_default()) {
        if (GDK_IS_X11_DISPLAY(display_)) gdk_x11_display_error_trap_push(display_);
    }
    ~TrayErrorTrap() {
        if (GDK_IS_X11_DISPLAY(display_)) gdk_x11_display_error_trap_pop_ignored(display_);
    }
    TrayErrorTrap(const TrayErrorTrap&) = delete;
    TrayErrorTrap& operator=(const TrayErrorTrap&) = delete;

private:
    GdkDisplay* display_;
};

void SetPicture(GtkStatusIcon* status, const IconImage& icon) {
    g_autoptr(GdkPixbuf) pixbuf = PixbufFromIcon(icon);
    if (pixbuf) {
        gtk_status_icon_set_from_pixbuf(status, pixbuf);
    } else {
        gtk_status_icon_set_from_icon_name(status, kFallbackIconName);
    }
}

}  // namespace

namespace {
gboolean OnButtonEvent(GtkStatusIcon*, GdkEventButton* event, gpointer data);
void OnEmbeddedNotify(GObject*, GParamSpec*, gpointer data);
}  // namespace

struct XEmbedTray::Icon {
    XEmbedTray* host = nullptr;
    Key key;
    // What the record has set so far; a status icon made anew shows the same.
    IconImage picture;
    unsigned callbackMessage = 0;
    std::optional<std::string> tip;
    GtkStatusIcon* status = nullptr;
    bool everEmbedded = false;
    guint embedWait = 0;  // timeout source of an add that waits for the embedding
    guint answering = 0;  // idle source that answers the add, outside GTK's signal emission
    guint rebuild = 0;    // idle source that replaces a status icon whose tray host went away
    guint reported = 0;   // idle source that reports a host change, outside GTK's signal emission

    ~Icon() {
        if (embedWait != 0) g_source_remove(embedWait);
        if (answering != 0) g_source_remove(answering);
        if (rebuild != 0) g_source_remove(rebuild);
        if (reported != 0) g_source_remove(reported);
        DestroyStatus();
    }
    Icon() = default;
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;

    void CreateStatus() {
        TrayErrorTrap trap;
        status = gtk_status_icon_new();
        g_signal_connect(status, "button-press-event", G_CALLBACK(OnButtonEvent), this);
        g_signal_connect(status, "button-release-event", G_CALLBACK(OnButtonEvent), this);
        g_signal_connect(status, "notify::embedded", G_CALLBACK(OnEmbeddedNotify), this);
        Show();
        gtk_status_icon_set_visible(status, TRUE);
    }

    void DestroyStatus() {
        if (!status) return;
        TrayErrorTrap trap;
        g_signal_handlers_disconnect_by_data(status, this);
        gtk_status_icon_set_visible(status, FALSE);
        // Released here, inside the error trap: the tray host may be gone already.
        g_clear_object(&status);
    }

    // Takes the members that the record's flags name; the tip shows exactly while NIF_TIP is set.
    void Apply(const NotifyIconData& record) {
        if (record.flags & NIF_ICON) picture = record.icon;
        if (record.flags & NIF_MESSAGE) callbackMessage = record.callbackMessage;
        tip = (record.flags & NIF_TIP) ? std::optional<std::string>(record.tip) : std::nullopt;
        if (status) Show();
    }

    void Show() {
        TrayErrorTrap trap;
        SetPicture(status, picture);
        gtk_status_icon_set_tooltip_text(status, tip ? tip->c_str() : nullptr);
    }

    bool OnButton(const GdkEventButton* event) {
        const std::intptr_t code = NotifyCodeOfButtonEvent(event->type, event->button);
        if (code == 0 || callbackMessage == 0) return false;
        const auto [window, id] = key;
        const MessageRecord message{window, callbackMessage, static_cast<std::intptr_t>(id), code};
        // The handler may delete this icon: nothing of it is used afterwards.
        host->listener_.send(message);
        return true;
    }

    void OnEmbeddedChanged() {
        if (!gtk_status_icon_is_embedded(status)) {
            // The tray host went away, maybe with our window: a fresh status icon waits for the next.
            if (everEmbedded && rebuild == 0) rebuild = g_idle_add(Rebuild, this);
            if (everEmbedded) Report();
            return;
        }
        if (embedWait != 0) {
            g_source_remove(embedWait);
            embedWait = 0;
            answering = g_idle_add(AnswerAdd, this);
        }
        // A new tray host took the icon in.
        if (everEmbedded) Report();
        everEmbedded = true;
    }

    // Waits for the embedding anew; an add already waiting gets one answer.
    void AwaitEmbedding(int timeoutMs) {
        if (embedWait != 0) g_source_remove(embedWait);
        embedWait = g_timeout_add(timeoutMs, EmbedTimeout, this);
    }

    void Report() {
        if (reported == 0) reported = g_idle_add(ReportHostChange, this);
    }

    static gboolean Rebuild(gpointer self) {
        auto* icon = static_cast<Icon*>(self);
        icon->rebuild = 0;
        icon->DestroyStatus();
        icon->CreateStatus();
        return G_SOURCE_REMOVE;
    }

    static gboolean AnswerAdd(gpointer self) {
        auto* icon = static_cast<Icon*>(self);
        icon->answering = 0;
        // The listener may delete this icon.
        icon->host->listener_.addAnswered(icon->key.first, icon->key.second, true);
        return G_SOURCE_REMOVE;
    }

    static gboolean EmbedTimeout(gpointer self) {
        auto* icon = static_cast<Icon*>(self);
        icon->embedWait = 0;
        icon->host->EmbedTimedOut(icon->key);
        return G_SOURCE_REMOVE;
    }

    static gboolean ReportHostChange(gpointer self) {
        auto* icon = static_cast<Icon*>(self);
        icon->reported = 0;
        // The listener may delete this icon.
        icon->host->listener_.hostChanged();
        return G_SOURCE_REMOVE;
    }
};

namespace {

gboolean OnButtonEvent(GtkStatusIcon*, GdkEventButton* event, gpointer data) {
    return static_cast<XEmbedTray::Icon*>(data)->OnButton(event);
}

void OnEmbeddedNotify(GObject*, GParamSpec*, gpointer data) {
    static_cast<XEmbedTray::Icon*>(data)->OnEmbeddedChanged();
}

}  // namespace

std::intptr_t NotifyCodeOfButtonEvent(int gdkEventType, unsigned button) {
    const bool left = button == 1;
    if (!left && button != 3) return 0;
    switch (gdkEventType) {
    case GDK_BUTTON_PRESS:
        return left ? NIN_LBUTTONDOWN : NIN_RBUTTONDOWN;
    case GDK_2BUTTON_PRESS:
        return left ? NIN_LBUTTONDBLCLK : NIN_RBUTTONDBLCLK;
    case GDK_BUTTON_RELEASE:
        return left ? NIN_LBUTTONUP : NIN_RBUTTONUP;
    default:
        return 0;
    }
}

XEmbedTray::XEmbedTray(Listener listener, int embedTimeoutMs)
    : listener_(std::move(listener)), embed_timeout_ms_(embedTimeoutMs) {}

XEmbedTray::~XEmbedTray() {
    while (!icons_.empty()) Remove(icons_.begin()->first);
}

bool XEmbedTray::HostPresent() { return TrayHostPresent(); }

TrayBackend::AddResult XEmbedTray::Add(const NotifyIconData& data) {
    const Key key{data.window, data.id};
    auto found = icons_.find(key);
    if (found != icons_.end()) {
        // Already there (a new tray host took it in by itself): bring it up to date.
        found->second->Apply(data);
    } else {
        if (!TrayHostPresent()) return AddResult::Failed;
        auto icon = std::make_unique<Icon>();
        icon->host = this;
        icon->key = key;
        icon->Apply(data);
        icon->CreateStatus();
        found = icons_.emplace(key, std::move(icon)).first;
    }
    Icon& icon = *found->second;
    if (gtk_status_icon_is_embedded(icon.status)) return AddResult::Shown;
    // The program goes on meanwhile; the tray host answers when it has embedded the icon.
    icon.AwaitEmbedding(embed_timeout_ms_);
    return AddResult::Pending;
}

bool XEmbedTray::Modify(const NotifyIconData& data) {
    const auto found = icons_.find({data.window, data.id});
    if (found == icons_.end()) return false;
    found->second->Apply(data);
    return true;
}

bool XEmbedTray::Delete(WindowId window, std::uint32_t id) {
    if (!Has(window, id)) return false;
    Remove({window, id});
    return true;
}

void XEmbedTray::DeleteWindow(WindowId window) {
    for (auto it = icons_.lower_bound({window, 0}); it != icons_.end() && it->first.first == window;) {
        Remove((it++)->first);
    }
}

void XEmbedTray::Remove(const Key& key) {
    const auto found = icons_.find(key);
    if (found == icons_.end()) return;
    // Out of the map first: the icon's clean-up may run handlers that look for it.
    std::unique_ptr<Icon> icon = std::move(found->second);
    icons_.erase(found);
}

// An icon that no tray host took in is removed, as after a failed add (the key is a copy: it outlives it).
void XEmbedTray::EmbedTimedOut(Key key) {
    Remove(key);
    listener_.addAnswered(key.first, key.second, false);
}

GtkStatusIcon* XEmbedTray::StatusIcon(WindowId window, std::uint32_t id) const {
    const auto found = icons_.find({window, id});
    return found == icons_.end() ? nullptr : found->second->status;
}

}  // namespace tesra::platform
