#pragma once
// Notify icons as StatusNotifierItems on the session bus (org.kde.StatusNotifierItem, with the menu as
// com.canonical.dbusmenu), for the desktops whose panels speak that protocol (KDE Plasma, GNOME with
// the AppIndicator extension, most others). A host is present while an org.kde.StatusNotifierWatcher
// runs and reports a registered host. The protocol has no mouse buttons: Activate is the left double
// click, ContextMenu and SecondaryActivate are a right click (press and release).

#include <gio/gio.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "linux/GObjectPtr.h"
#include "linux/TrayBackend.h"
#include "platform/HandlerGuard.h"

typedef struct _GdkPixbuf GdkPixbuf;

namespace tesra::platform {

// One picture of an icon in the protocol's form: ARGB32 in network byte order, rows top to bottom.
struct IconPixmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> argb;
    bool operator==(const IconPixmap&) const = default;
};

// The pixmap of a picture (with or without alpha); pictures larger than 64 pixels are scaled to 64.
IconPixmap PixmapFromPixbuf(GdkPixbuf* pixbuf);
// The pixmap of an icon: its pixels, its picture file, or else the theme's application icon.
IconPixmap PixmapFromIcon(const IconImage& icon);

class SniTray final : public TrayBackend {
public:
    // Uses the session bus; without one there is never a host. Menu clicks run through the guard.
    SniTray(const HandlerGuard& guard, Listener listener);
    ~SniTray() override;
    SniTray(const SniTray&) = delete;
    SniTray& operator=(const SniTray&) = delete;

    bool HostPresent() override;
    AddResult Add(const NotifyIconData& data) override;
    bool Modify(const NotifyIconData& data) override;
    bool Delete(WindowId window, std::uint32_t id) override;
    bool Has(WindowId window, std::uint32_t id) const override { return items_.count({window, id}) > 0; }
    void DeleteWindow(WindowId window) override;

    struct Item;

private:
    using Key = std::pair<WindowId, std::uint32_t>;
    enum class HostState { Unknown, Absent, Present };

    HostState QueryHostNow();
    void QueryHost(bool newWatcher);
    void SetHost(HostState state, bool newWatcher);
    void Register(Item& item);
    void Post(const MessageRecord& message);
    static void OnWatcherAppeared(GDBusConnection*, const char*, const char* owner, gpointer self);
    static void OnWatcherVanished(GDBusConnection*, const char*, gpointer self);
    static void OnWatcherSignal(GDBusConnection*, const char*, const char*, const char*, const char* signal, GVariant*,
                                gpointer self);
    static gboolean RunPosted(gpointer self);

    const HandlerGuard& guard_;
    Listener listener_;
    GObjectPtr<GDBusConnection> connection_;
    GObjectPtr<GCancellable> cancellable_;
    unsigned watch_ = 0;
    unsigned subscription_ = 0;
    HostState host_ = HostState::Unknown;
    std::string watcher_owner_;  // unique name of the watcher last seen
    std::map<Key, std::unique_ptr<Item>> items_;
    std::vector<MessageRecord> posted_;
    unsigned posting_ = 0;  // idle source that delivers the posted clicks
};

}  // namespace tesra::platform
